#include "gui/unit1.h"
#include "panelsim.h"
#include "programfolder.h"
#include "scripteddialogs.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

using ta::gui::TForm1;

namespace {

class TransferWindowTest : public ::testing::Test {
protected:
    std::unique_ptr<TForm1> open(const QByteArray &otomatik, const QByteArray &cihazlar)
    {
        program.writeSettings(program.filePath(QStringLiteral("aktar.txt")).toUtf8(),
                              program.filePath(QStringLiteral("yedek")).toUtf8(), "-1", "-1", otomatik, cihazlar);
        auto f = std::make_unique<TForm1>(dialogs, program.path());
        ta::transfer::TransferOptions options;
        options.port = port;
        options.limits = {2000, 2000};
        f->setTransferOptions(options);
        return f;
    }
    QStringList sim(const QString &terminal) const
    {
        return {QStringLiteral("--port"), QString::number(port), QStringLiteral("--terminal"), terminal};
    }

    ProgramFolder program;
    ScriptedDialogs dialogs;
    quint16 port = freePort();
};

} // namespace

TEST_F(TransferWindowTest, ClicksDuringARunAreIgnoredAndKapatWaitsForItsEnd)
{
    PanelSim panel(sim(QStringLiteral("127.0.0.2,records=4,delay=100")));
    auto f = open("0", "001:127.0.0.2;0\r\n");
    f->show();
    bool clicked = false;
    // Delivered by the run's first pump, after "Bağlandı".
    QTimer::singleShot(0, f.get(), [&] {
        f->BitBtn1->click();
        f->BitBtn2->click();
        clicked = true;
        EXPECT_TRUE(f->isVisible());
    });
    f->BitBtn1->click();
    EXPECT_TRUE(clicked);
    EXPECT_FALSE(f->transferRunning());
    EXPECT_FALSE(f->isVisible()); // closed once the run had ended
    EXPECT_EQ(f->cell(1, TForm1::ColDurum), QStringLiteral("Bağlandı"));
    EXPECT_EQ(f->cell(1, TForm1::ColKayit), QStringLiteral("00004/00004"));
    EXPECT_TRUE(f->Saat->text().startsWith(QStringLiteral("Time: ")));
    EXPECT_EQ(program.read(QStringLiteral("Ayarlar/Cihazlar.txt")), QByteArray("001:127.0.0.2;0\r\n"));
    panel.stop();
    EXPECT_EQ(panel.terminal(QStringLiteral("127.0.0.2"))[QStringLiteral("connections")].toInt(), 1);
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(TransferWindowTest, CompletedRunWithOtomatikAktarCloses)
{
    auto f = open("-1", "");
    f->show();
    f->Timer1->start();
    f->BitBtn1Click();
    EXPECT_FALSE(f->Timer1->isActive());
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(program.read(QStringLiteral("Ayarlar/Cihazlar.txt")), QByteArray(""));
}

TEST_F(TransferWindowTest, RefusedRunShowsTheMessage)
{
    auto f = open("-1", "001:127.0.0.2;0\r\n");
    f->AktarTxt->clear();
    f->show();
    f->BitBtn1Click();
    EXPECT_EQ(dialogs.messages(), QStringList{QStringLiteral("Lütfen Aktarılacak Dosya Seçiniz")});
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(program.read(QStringLiteral("Ayarlar/Cihazlar.txt")), QByteArray("001:127.0.0.2;0\r\n"));
}

TEST_F(TransferWindowTest, BadIdShowsAnErrorAndKeepsTheWindowOpen)
{
    PanelSim panel(sim(QStringLiteral("127.0.0.2,records=2")));
    auto f = open("-1", "0x:127.0.0.2;0\r\n");
    f->show();
    f->BitBtn1Click();
    EXPECT_EQ(dialogs.errors(), QStringList{QStringLiteral("'0x' is not a valid integer value.")});
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(program.read(QStringLiteral("Ayarlar/Cihazlar.txt")), QByteArray("0x:127.0.0.2;0\r\n"));
    panel.stop();
}

TEST_F(TransferWindowTest, ErrorBoxOfARunOpensOverAPaintingWindowShowingTheFailingRecord)
{
    PanelSim panel(sim(QStringLiteral("127.0.0.2,records=2")));
    auto f = open("-1", "0x:127.0.0.2;0\r\n");
    f->show();
    bool looked = false;
    dialogs.whileOpen = [&](const ScriptedDialogs::Shown &shown) {
        ASSERT_EQ(shown.kind, ScriptedDialogs::Shown::Error);
        looked = true;
        EXPECT_TRUE(f->updatesEnabled());
        EXPECT_EQ(f->cell(1, TForm1::ColDurum), QStringLiteral("Bağlandı"));
        EXPECT_EQ(f->cell(1, TForm1::ColKayit), QStringLiteral("00001/00002"));
    };
    f->BitBtn1Click();
    EXPECT_TRUE(looked);
    panel.stop();
}

TEST_F(TransferWindowTest, LastDeviceRowIsTransferred)
{
    PanelSim panel(sim(QStringLiteral("127.0.0.2,records=1")));
    QByteArray cihazlar;
    for (int row = 1; row < TForm1::kGridRows - 1; ++row)
        cihazlar += "\r\n";
    cihazlar += "099:127.0.0.2;0\r\n";
    auto f = open("-1", cihazlar);
    ASSERT_EQ(f->cell(TForm1::kGridRows - 1, TForm1::ColIp), QStringLiteral("127.0.0.2"));
    f->show();
    f->BitBtn1Click();
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_EQ(f->cell(TForm1::kGridRows - 1, TForm1::ColDurum), QStringLiteral("Bağlandı"));
    EXPECT_EQ(f->cell(TForm1::kGridRows - 1, TForm1::ColKayit), QStringLiteral("00001/00001"));
    panel.stop();
}
