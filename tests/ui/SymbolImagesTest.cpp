#include "ui/SymbolImages.h"

#include "TestUtil.h"

#include <QImage>

#include <sys/stat.h>

// Only a readable GIF of at most 4096 x 4096 pixels gives a picture, whatever the bytes claim;
// folder and file names are matched without regard to case.
TEST(SymbolImages, PicturesComeFromReadableGifFilesOnly) {
    QTemporaryDir dir;
    const QString folder = dir.filePath("machinesymbols");
    QDir().mkpath(folder);
    const auto file = [&](int n) { return folder + QStringLiteral("/MachineSymbol_%1_800.gif").arg(n); };
    testutil::writeGif(folder + "/machinesymbol_4_800.GIF", 30, 20);
    QImage png(16, 16, QImage::Format_RGB32);
    png.fill(Qt::blue);
    ASSERT_TRUE(png.save(file(5), "PNG"));
    testutil::writeBytes(file(6), QByteArray(5000, 'G'));
    testutil::writeBytes(file(1), "GIF89a not really");
    QByteArray huge = testutil::gifBytes(1, 1); // a header that claims 60000 x 60000 pixels
    huge[6] = huge[8] = char(0x60);
    huge[7] = huge[9] = char(0xEA);
    testutil::writeBytes(file(3), huge);
    ASSERT_EQ(::mkfifo(QFile::encodeName(file(7)).constData(), 0600), 0); // opening it would wait
    ui::SymbolImages symbols(dir.path());
    EXPECT_EQ(symbols.picture(4).size(), QSize(30, 20));
    for (int n : {5, 6, 1, 3, 7, 8, -1}) EXPECT_TRUE(symbols.picture(n).isNull()) << n;
    EXPECT_EQ(symbols.pathFor(4), folder + "/machinesymbol_4_800.GIF");
    EXPECT_EQ(symbols.pathFor(8), "");

    // A symbol folder that is a file gives no pictures.
    QTemporaryDir other;
    testutil::writeBytes(other.filePath("MachineSymbols"), "not a folder");
    EXPECT_TRUE(ui::SymbolImages(other.path()).picture(1).isNull());
}
