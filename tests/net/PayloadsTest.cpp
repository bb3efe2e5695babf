#include "net/Payloads.h"

#include "base/AnsiCodec.h"
#include "net/Framing.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <random>

using namespace base;
using namespace net;

TEST(Payloads, LayoutEntriesGeneralAndGroupsFirstThenEnabledSlotsInOrder) {
    LineLayout layout;
    MachineRecord& m7 = layout.Machines[7];
    m7 = {};
    m7.Text = "Capper";
    m7.Address = "10.0.0.7";
    m7.Machine = 3;
    m7.RemoteControl = false;
    m7.Symbol = 2;
    m7.StatusPLC = true;
    m7.Enabled = true;
    m7.Group = 1;
    m7.VisuGroup = {4, -1, 31, 0, -1, 5};
    MachineRecord& m12 = layout.Machines[12];
    m12.Text = "Füller";
    m12.Address = "filler";
    m12.RemoteControl = true;
    m12.Enabled = true;
    layout.Machines[9].Text = "disabled";
    layout.setGroupName(0, "Filling");
    // The general entries and all group names first, then the enabled slots in order.
    const QString entries = payload::layoutEntries(layout, 1250, 1029);
    QString general = "GeneralCodePage=1250;GeneralLcId=1029;GrName0=Filling;";
    for (int g = 1; g < 32; ++g) general += QStringLiteral("GrName%1=;").arg(g);
    EXPECT_TRUE(entries.startsWith(general + "MaName7="));
    const QString machines = entries.mid(general.size());
    EXPECT_EQ(machines,
              "MaName7=Capper;MaAdresse7=10.0.0.7;MaNr7=3;MaFernwart7=0;MaSymbol7=2;MaStatusPLC7=1;MaGruppe7=1;"
              "MaGroupVisu17=4;MaGroupVisu27=-1;MaGroupVisu37=31;MaGroupVisu47=0;MaGroupVisu57=-1;MaGroupVisu67=5;"
              "MaName12=Füller;MaAdresse12=filler;MaNr12=1;MaFernwart12=1;MaSymbol12=-1;MaStatusPLC12=0;MaGruppe12=-1;"
              "MaGroupVisu112=-1;MaGroupVisu212=-1;MaGroupVisu312=-1;MaGroupVisu412=-1;MaGroupVisu512=-1;"
              "MaGroupVisu612=-1;");
}

TEST(Payloads, LineDataForEnabledSlots) {
    LineLayout layout;
    layout.Machines[4].Enabled = true;
    layout.MachineDataNow[4] = {2, 3, "Run", 1252, 1031};
    layout.Machines[63].Enabled = true;
    layout.MachineDataNow[5] = {4, 5, "ignored: slot disabled", 1, 1};
    EXPECT_EQ(AnsiCodec::workstation().decode(payload::lineDataBytes(layout, AnsiCodec::workstation())),
              "Status4=2;Text4=Run;CodePage4=1252;LcId4=1031;Status63=0;Text63=;CodePage63=0;LcId63=0;");
    // The wire form is the same text in the code page.
    layout.MachineDataNow[63] = {-3, 1, "Läuft", 1252, 1031};
    EXPECT_EQ(payload::lineDataBytes(layout, AnsiCodec(1252)),
              QByteArray("Status4=2;Text4=Run;CodePage4=1252;LcId4=1031;Status63=-3;Text63=L\xE4uft;CodePage63=1252;"
                         "LcId63=1031;"));
}

// The kept message is byte for byte the one built from scratch, whatever changed since the last
// one: one slot's status, text, code page or locale, an Enabled flag, the code page, or nothing.
TEST(Payloads, KeptLineDataFrameEqualsTheOneBuiltFromScratch) {
    LineLayout layout;
    payload::LineDataFrame kept;
    std::mt19937 random(7);
    const QString texts[] = {"", "Run", "L\u00e4uft", "Stop", "Run"};
    for (int step = 0; step < 3000; ++step) {
        const size_t m = random() % MachineSlots;
        MachineData& d = layout.MachineDataNow[m];
        switch (random() % 6) {
        case 0: d.Status = static_cast<int16_t>(random() % 7); break;
        case 1: d.Text = texts[random() % 5]; break;
        case 2: d.CodePage = static_cast<int32_t>(random() % 2 ? 1252 : 1250); break;
        case 3: d.LcId = static_cast<int32_t>(random() % 3); break;
        case 4: layout.Machines[m].Enabled = !layout.Machines[m].Enabled; break;
        default: break; // a message with nothing changed
        }
        const AnsiCodec codec(step % 500 < 250 ? 1252 : 1251);
        const QByteArray expected =
            framing::frame(QByteArray(payload::HierLinienDaten.data()) + payload::lineDataBytes(layout, codec));
        ASSERT_EQ(kept.frame(layout, codec), expected) << "step " << step;
    }
}

TEST(Payloads, KeysMatchOnlyWholeAndAtTheStartOfAnEntry) {
    const QString text = "Status31=4;Text31=Status3=ok;Status3=2;Text3=;X=1";
    EXPECT_EQ(payload::WerteAufbroeseln(u"Status3", text), QStringView(u"2"));
    EXPECT_EQ(payload::WerteAufbroeseln(u"Status31", text), QStringView(u"4"));
    EXPECT_EQ(payload::WerteAufbroeseln(u"Text31", text), QStringView(u"Status3=ok"));
    EXPECT_EQ(payload::WerteAufbroeseln(u"Text3", text), QStringView(u""));
    EXPECT_FALSE(payload::WerteAufbroeseln(u"X", text).has_value()); // no ";" after the value
    EXPECT_FALSE(payload::WerteAufbroeseln(u"Status", text).has_value());
}

TEST(Payloads, MachineDataFillsTheNamedSlots) {
    LineLayout layout;
    layout.MachineDataNow[3].DisplayState = 4;
    const int taken = payload::readMachineData(
        u"Status31=4;Text31=Status3=ok;CodePage31=1250;LcId31=1029;Status3=9;Text3=Odd;CodePage3=1252;LcId3=1033;",
        layout);
    EXPECT_EQ(taken, 2);
    EXPECT_EQ(layout.MachineDataNow[31].Status, 4);
    EXPECT_EQ(layout.MachineDataNow[31].DisplayState, 5);
    EXPECT_EQ(layout.MachineDataNow[31].Text, "Status3=ok");
    EXPECT_EQ(layout.MachineDataNow[31].CodePage, 1250);
    EXPECT_EQ(layout.MachineDataNow[31].LcId, 1029);
    EXPECT_EQ(layout.MachineDataNow[3].Status, 9); // stored, but the rank stays
    EXPECT_EQ(layout.MachineDataNow[3].DisplayState, 4);
    EXPECT_EQ(layout.MachineDataShown[31].Text, "Status3=ok");
    EXPECT_EQ(layout.MachineDataShown[3].Status, 9);
}

TEST(Payloads, MachineDataSkipsWhatItCannotRead) {
    LineLayout layout;
    for (const char16_t* payload :
         {u"Status64=1;Text64=a;CodePage64=1;LcId64=1;", u"Status-1=1;Text-1=a;CodePage-1=1;LcId-1=1;",
          u"Status5=1;CodePage5=1;LcId5=1;",        // no Text5
          u"Status5=1;Text5=a;CodePage5=1;LcId5=1", // no ";" at the end
          u"Status5=70000;Text5=a;CodePage5=1;LcId5=1;", u"Status5=1;Text5=a;CodePage5=1;LcId5=9999999999;", u""}) {
        EXPECT_EQ(payload::readMachineData(payload, layout), 0) << QString::fromUtf16(payload).toStdString();
        EXPECT_EQ(layout.MachineDataNow[5].Text, "");
    }
    // Within one message a slot's first entries win.
    EXPECT_EQ(payload::readMachineData(u"Status5=2;Text5=first;CodePage5=1;LcId5=1;Status5=3;Text5=second;", layout),
              2);
    EXPECT_EQ(layout.MachineDataNow[5].Text, "first");
    EXPECT_EQ(layout.MachineDataNow[5].Status, 2);
}
