// Linked into the test programs whose code starts the language reader: the loader runs the test
// program itself as its reader child, and the test main hands such a start to the reader.
#include "lang/LanguageReader.h"

#include "TestUtil.h"

namespace {
[[maybe_unused]] const bool registered = (testutil::childInvocation = &lang::isReaderInvocation, true);
} // namespace
