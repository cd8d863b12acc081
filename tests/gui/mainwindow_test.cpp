#include "gui/unit1.h"
#include "programfolder.h"
#include "scripteddialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

using ta::gui::TForm1;

namespace {

// A program folder with all six settings files, each replaceable per test.
struct Settings {
    QByteArray aktar = "C:\\aktar.txt";
    QByteArray yedek = "C:\\yedek";
    QByteArray saat = "-1";
    QByteArray veriSil = "-1";
    QByteArray otomatik = "0";
    QByteArray cihazlar = "001:127.0.0.2;0\r\n";
};

class MainWindowTest : public ::testing::Test {
protected:
    std::unique_ptr<TForm1> open(const Settings &s)
    {
        program.writeSettings(s.aktar, s.yedek, s.saat, s.veriSil, s.otomatik, s.cihazlar);
        return std::make_unique<TForm1>(dialogs, program.path());
    }
    QByteArray file(const char *name) const { return program.read(QStringLiteral("Ayarlar/") + QLatin1String(name)); }
    static QStringList headerRow(const TForm1 &f)
    {
        QStringList h;
        for (int c = 0; c < TForm1::kGridColumns; ++c)
            h << f.cell(0, c);
        return h;
    }

    ProgramFolder program;
    ScriptedDialogs dialogs;
};

const QStringList kHeaders{QStringLiteral("ID"), QStringLiteral("IP"), QStringLiteral("G(0)/Ç(1)"), QStringLiteral("Durum"),
                           QStringLiteral("Kayıt")};

} // namespace

TEST_F(MainWindowTest, DesignedLayout)
{
    auto f = open(Settings{});
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Terminal Aktarım"));
    EXPECT_EQ(f->size(), QSize(856, 718));
    EXPECT_EQ(f->pos(), QPoint(433, 140));
    EXPECT_FALSE(f->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(f->windowFlags() & Qt::WindowMaximizeButtonHint);

    struct Control {
        const char *name;
        QRect geometry;
        const char *caption;
    };
    const Control controls[] = {
        {"GroupBox1", {16, 8, 817, 193}, "Ayarlar"},
        {"Label2", {27, 32, 68, 13}, "Aktarım Dosya"},
        {"AktarTxt", {104, 28, 497, 21}, nullptr},
        {"Button2", {608, 26, 41, 25}, "..."},
        {"Label1", {27, 61, 63, 13}, "Yedek Klasör"},
        {"YedekTxt", {104, 57, 497, 21}, nullptr},
        {"Button1", {608, 56, 41, 25}, "..."},
        {"CheckBox1", {104, 88, 129, 25}, "Saatleri Güncelle"},
        {"CheckBox2", {104, 112, 177, 25}, "Kayıt Çektikten Sonra Verileri Sil"},
        {"CheckBox3", {104, 136, 177, 25}, "Otomatik Aktar"},
        {"Memo1", {264, 136, 457, 41}, nullptr},
        {"GroupBox2", {16, 206, 817, 401}, "Ayarlar"},
        {"Grid", {13, 24, 783, 321}, nullptr},
        {"Label3", {20, 361, 57, 13}, "Bilgisayar IP"},
        {"IpTxt", {88, 359, 225, 21}, ""},
        {"Button3", {320, 352, 113, 33}, "Cihazları Ağda Ara"},
        {"BitBtn1", {712, 616, 121, 41}, "Kayıtları Çek"},
        {"BitBtn2", {16, 624, 121, 41}, "Kapat"},
        {"Panel1", {160, 296, 185, 105}, nullptr},
        {"Saat", {32, 24, 22, 13}, "Saat"},
        {"TimeMaskEdit", {8, 56, 169, 21}, nullptr},
    };
    for (const auto &c : controls) {
        auto *w = f->findChild<QWidget *>(QLatin1String(c.name));
        ASSERT_NE(w, nullptr) << c.name;
        EXPECT_EQ(w->geometry(), c.geometry) << c.name;
        if (!c.caption)
            continue;
        const QString caption = QString::fromUtf8(c.caption);
        QString shown;
        if (auto *b = qobject_cast<QAbstractButton *>(w))
            shown = b->text();
        else if (auto *l = qobject_cast<QLabel *>(w))
            shown = l->text();
        else if (auto *g = qobject_cast<QGroupBox *>(w))
            shown = g->title();
        else if (auto *e = qobject_cast<QLineEdit *>(w))
            shown = e->text();
        EXPECT_EQ(shown, caption) << c.name;
    }
    EXPECT_TRUE(f->Memo1->isHidden());
    EXPECT_TRUE(f->Panel1->isHidden());
    EXPECT_EQ(f->Grid->rowCount(), 99); // device rows; the header row is the header bar
    EXPECT_EQ(f->Grid->columnCount(), 5);
    const int widths[] = {75, 195, 55, 124, 295};
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(f->Grid->columnWidth(c), widths[c]);
    EXPECT_EQ(headerRow(*f), kHeaders);
    // The header row stays in view when the device rows scroll.
    EXPECT_FALSE(f->Grid->horizontalHeader()->isHidden());
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(f->Grid->horizontalHeaderItem(c)->text(), kHeaders[c]) << c;
    f->setCell(1, 0, QStringLiteral("001"));
    EXPECT_EQ(f->Grid->item(0, 0)->text(), QStringLiteral("001")); // device row 1 is the table's first row
    f->show();
    f->Grid->scrollToBottom();
    EXPECT_GT(f->Grid->rowAt(0), 0);
    EXPECT_TRUE(f->Grid->horizontalHeader()->isVisible());
    EXPECT_EQ(f->Timer1->interval(), 1000);
    EXPECT_FALSE(f->Timer1->isActive());
}

TEST_F(MainWindowTest, StartUpLoadsAndSavesChangedOptions)
{
    Settings s;
    s.aktar = "C:\\Aktar\xFDm.txt\r\n";
    s.saat = "False";
    s.veriSil = "True";
    s.otomatik = "1";
    s.cihazlar = "001:10.0.0.21;0\r\n12:10.0.0.5;1\r\n\r\n003:10.0.0.9\r\n";
    auto f = open(s);
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_EQ(f->AktarTxt->text(), QStringLiteral("C:\\Aktarım.txt"));
    EXPECT_FALSE(f->CheckBox1->isChecked());
    EXPECT_EQ(file("Saat.txt"), QByteArray("0"));
    EXPECT_TRUE(f->CheckBox2->isChecked());
    EXPECT_EQ(file("VeriSil.txt"), QByteArray("True")); // unchanged state: not rewritten
    EXPECT_TRUE(f->CheckBox3->isChecked());
    EXPECT_EQ(file("OtomatikAktar.txt"), QByteArray("-1"));

    const QStringList expected[] = {{QStringLiteral("001"), QStringLiteral("10.0.0.21"), QStringLiteral("0")},
                                    {QStringLiteral("12"), QStringLiteral("10.0.0.5"), QStringLiteral("1")},
                                    {QString(), QString(), QString()},
                                    {QStringLiteral("003"), QStringLiteral("10.0.0.9"), QString()},
                                    {QString(), QString(), QString()}};
    for (int r = 0; r < 5; ++r)
        EXPECT_EQ((QStringList{f->cell(r + 1, 0), f->cell(r + 1, 1), f->cell(r + 1, 2)}), expected[r]) << r;
}

TEST_F(MainWindowTest, OptionFilesThatMatchTheDesignAreNotRewritten)
{
    Settings s;
    s.saat = "1";
    s.veriSil = "";
    s.otomatik = "0";
    auto f = open(s);
    EXPECT_TRUE(f->CheckBox1->isChecked());
    EXPECT_TRUE(f->CheckBox2->isChecked());
    EXPECT_FALSE(f->CheckBox3->isChecked());
    EXPECT_EQ(file("Saat.txt"), QByteArray("1"));
    EXPECT_EQ(file("VeriSil.txt"), QByteArray(""));
    EXPECT_EQ(file("OtomatikAktar.txt"), QByteArray("0"));
}

TEST_F(MainWindowTest, FirstFailingLoadEndsStartUp)
{
    struct Case {
        const char *missing;
        bool pathsLoaded;
    };
    const Case cases[] = {{"Aktar.txt", false}, {"Saat.txt", true}, {"VeriSil.txt", true}};
    for (const auto &c : cases) {
        ProgramFolder p;
        Settings s;
        s.saat = "0";
        s.otomatik = "-1";
        p.writeSettings(s.aktar, s.yedek, s.saat, s.veriSil, s.otomatik, s.cihazlar);
        QFile::remove(p.filePath(QStringLiteral("Ayarlar/") + QLatin1String(c.missing)));
        ScriptedDialogs d;
        TForm1 f(d, p.path());
        ASSERT_EQ(d.errors().size(), 1) << c.missing;
        EXPECT_TRUE(d.errors()[0].startsWith(QStringLiteral("Cannot open file \"")));
        EXPECT_TRUE(d.errors()[0].contains(QLatin1String(c.missing)));
        EXPECT_TRUE(d.errors()[0].endsWith(QLatin1Char('.')));
        EXPECT_EQ(f.AktarTxt->text().isEmpty(), !c.pathsLoaded) << c.missing;
        EXPECT_FALSE(f.CheckBox3->isChecked()) << c.missing; // never reached: no automatic run
        EXPECT_EQ(headerRow(f), QStringList(5, QString())) << c.missing;
        EXPECT_TRUE(f.cell(1, 1).isEmpty()) << c.missing;
    }
}

TEST_F(MainWindowTest, FailingSaveOfALoadedOptionEndsStartUp)
{
    Settings s;
    s.saat = "0";     // unchecks "Saatleri Güncelle", whose save then fails
    s.veriSil = "0";  // never loaded: the box keeps its designed state
    s.otomatik = "-1";
    program.writeSettings(s.aktar, s.yedek, s.saat, s.veriSil, s.otomatik, s.cihazlar);
    ASSERT_TRUE(makeReadOnly(program.filePath(QStringLiteral("Ayarlar/Saat.txt"))));
    TForm1 f(dialogs, program.path());
    ASSERT_EQ(dialogs.errors().size(), 1);
    EXPECT_TRUE(dialogs.errors()[0].startsWith(QStringLiteral("Cannot create file \"")));
    EXPECT_TRUE(dialogs.errors()[0].contains(QStringLiteral("Saat.txt")));
    EXPECT_FALSE(f.CheckBox1->isChecked());
    EXPECT_TRUE(f.CheckBox2->isChecked());
    EXPECT_FALSE(f.CheckBox3->isChecked());
    EXPECT_EQ(file("Saat.txt"), QByteArray("0"));
    EXPECT_EQ(headerRow(f), QStringList(5, QString()));
    EXPECT_TRUE(f.cell(1, 1).isEmpty());

    // Outside start-up a failing save is shown by the click itself.
    f.CheckBox1->click();
    EXPECT_EQ(dialogs.errors().size(), 2);
}

TEST_F(MainWindowTest, NoSettingsFolder)
{
    ProgramFolder bare(false);
    TForm1 f(dialogs, bare.path());
    ASSERT_EQ(dialogs.errors().size(), 1);
    EXPECT_TRUE(dialogs.errors()[0].contains(QStringLiteral("Aktar.txt")));
    EXPECT_TRUE(f.AktarTxt->text().isEmpty());
    EXPECT_TRUE(f.YedekTxt->text().isEmpty());
    EXPECT_TRUE(f.CheckBox1->isChecked());
    EXPECT_TRUE(f.CheckBox2->isChecked());
    EXPECT_FALSE(f.CheckBox3->isChecked());
    EXPECT_EQ(headerRow(f), QStringList(5, QString()));

    f.CheckBox1->click();
    ASSERT_EQ(dialogs.errors().size(), 2);
    EXPECT_TRUE(dialogs.errors()[1].startsWith(QStringLiteral("Cannot create file \"")));
    EXPECT_FALSE(f.CheckBox1->isChecked());
}

TEST_F(MainWindowTest, BadBooleanEndsStartUp)
{
    Settings s;
    s.veriSil = "yes";
    auto f = open(s);
    EXPECT_EQ(dialogs.errors(), QStringList{QStringLiteral("'yes' is not a valid boolean value.")});
    EXPECT_EQ(headerRow(*f), QStringList(5, QString()));
}

TEST_F(MainWindowTest, OptionClicksSaveAtOnce)
{
    auto f = open(Settings{});
    f->CheckBox2->click();
    EXPECT_EQ(file("VeriSil.txt"), QByteArray("0"));
    f->CheckBox3->click();
    EXPECT_EQ(file("OtomatikAktar.txt"), QByteArray("-1"));
    EXPECT_FALSE(f->Timer1->isActive()); // checking it arms nothing
    f->CheckBox1->click();
    EXPECT_EQ(file("Saat.txt"), QByteArray("0"));
}

TEST_F(MainWindowTest, Pickers)
{
    auto f = open(Settings{});
    f->Button2->click(); // cancelled
    EXPECT_EQ(f->AktarTxt->text(), QStringLiteral("C:\\aktar.txt"));
    ASSERT_EQ(dialogs.texts(ScriptedDialogs::Shown::OpenFile), QStringList{QStringLiteral("Txt Dosyaları|*.Txt")});

    dialogs.fileAnswers.enqueue(QStringLiteral("/veri/yeni dosya.Txt"));
    f->Button2->click();
    EXPECT_EQ(f->AktarTxt->text(), QStringLiteral("/veri/yeni dosya.Txt"));
    EXPECT_EQ(file("Aktar.txt"), QByteArray("/veri/yeni dosya.Txt"));

    f->YedekTxt->setText(QStringLiteral("typed, never saved"));
    f->Button1->click(); // cancelled
    EXPECT_EQ(file("Yedek.txt"), QByteArray("C:\\yedek"));
    dialogs.folderAnswers.enqueue(QStringLiteral("/yedek/şube"));
    f->Button1->click();
    EXPECT_EQ(file("Yedek.txt"), QByteArray("/yedek/\xFE" "ube"));
}

TEST_F(MainWindowTest, FirstActivationArmsTimerOnce)
{
    Settings s;
    s.otomatik = "-1";
    auto f = open(s);
    EXPECT_FALSE(f->Timer1->isActive());
    f->show();
    QApplication::setActiveWindow(f.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.get(), 5000));
    EXPECT_TRUE(f->Timer1->isActive());
    EXPECT_EQ(f->Timer1->interval(), 1000);

    // A later return of the focus does not arm it again.
    f->Timer1->stop();
    QEvent deactivate(QEvent::WindowDeactivate), activate(QEvent::WindowActivate);
    QApplication::sendEvent(f.get(), &deactivate);
    QApplication::sendEvent(f.get(), &activate);
    EXPECT_FALSE(f->Timer1->isActive());
}

TEST_F(MainWindowTest, ActivationWithoutAutomaticTransferArmsNothing)
{
    auto f = open(Settings{});
    f->show();
    QApplication::setActiveWindow(f.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.get(), 5000));
    EXPECT_FALSE(f->Timer1->isActive());
}

TEST_F(MainWindowTest, KapatClosesTheWindow)
{
    auto f = open(Settings{});
    f->show();
    f->BitBtn2->click();
    EXPECT_FALSE(f->isVisible());
}

TEST(OpenFileDialog, ShowsTheFilterByItsName)
{
    ta::gui::QtDialogs real;
    bool seen = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *d = qobject_cast<QFileDialog *>(w);
            if (!d || !d->isVisible())
                continue;
            seen = true;
            EXPECT_TRUE(d->testOption(QFileDialog::HideNameFilterDetails));
            const auto *types = d->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
            EXPECT_TRUE(types && types->currentText() == QStringLiteral("Txt Dosyaları"));
            d->reject();
            return;
        }
    });
    poll.start();
    EXPECT_EQ(real.openFile(TForm1::kOpenDialogFilter), std::nullopt);
    EXPECT_TRUE(seen);
}
