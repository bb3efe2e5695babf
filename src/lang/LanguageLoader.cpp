#include "lang/LanguageLoader.h"

#include "lang/LanguageReader.h"

#include "platform/Os.h"

namespace lang {

LoadOutcome loadLanguages(const QString& databasePath, const QString& readerExecutable, LanguageTable& table,
                          LoaderLimits limits) {
    LoadOutcome outcome;
    table.build(RawLanguageTables{});
    if (databasePath.isEmpty() || !platform::os().fileState(databasePath).regular) return outcome;

    QByteArray stream;
    static_cast<platform::ChildOutcome&>(outcome) =
        platform::os().runChild(readerExecutable, {QString::fromLatin1(ReaderArgument), databasePath}, limits, &stream);
    if (!outcome.started) return outcome;

    const RawLanguageTables tables = decodeTables(stream);
    outcome.complete = tables.complete;
    table.build(tables);
    return outcome;
}

} // namespace lang
