#include "gui/unit1.h"

#include "gui/dialogs.h"
#include "gui/place.h"
#include "gui/unit11.h"
#include "protocol/texterror.h"

#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

namespace ta::gui {

using settings::kAktarFile;
using settings::kCihazlarFile;
using settings::kOtomatikAktarFile;
using settings::kSaatFile;
using settings::kVeriSilFile;
using settings::kYedekFile;

TForm1::TForm1(Dialogs &dialogs, const QString &programDir, QWidget *parent)
    : QWidget(parent), dialogs_(dialogs), settings_(settings::SettingsFolder::besideProgram(programDir))
{
    buildLayout();
    createEndpoint();
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::buildLayout()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Terminal Aktarım"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFont(designedFont());
    setGeometry(433, 140, 856, 718);

    GroupBox1 = place<QGroupBox>(this, "GroupBox1", 16, 8, 817, 193);
    GroupBox1->setTitle(QStringLiteral("Ayarlar"));
    Label2 = place<QLabel>(GroupBox1, "Label2", 27, 32, 68, 13);
    Label2->setText(QStringLiteral("Aktarım Dosya"));
    AktarTxt = place<QLineEdit>(GroupBox1, "AktarTxt", 104, 28, 497, 21);
    Button2 = place<QPushButton>(GroupBox1, "Button2", 608, 26, 41, 25);
    Button2->setText(QStringLiteral("..."));
    Label1 = place<QLabel>(GroupBox1, "Label1", 27, 61, 63, 13);
    Label1->setText(QStringLiteral("Yedek Klasör"));
    YedekTxt = place<QLineEdit>(GroupBox1, "YedekTxt", 104, 57, 497, 21);
    Button1 = place<QPushButton>(GroupBox1, "Button1", 608, 56, 41, 25);
    Button1->setText(QStringLiteral("..."));
    CheckBox1 = place<QCheckBox>(GroupBox1, "CheckBox1", 104, 88, 129, 25);
    CheckBox1->setText(QStringLiteral("Saatleri Güncelle"));
    CheckBox1->setChecked(true);
    CheckBox2 = place<QCheckBox>(GroupBox1, "CheckBox2", 104, 112, 177, 25);
    CheckBox2->setText(QStringLiteral("Kayıt Çektikten Sonra Verileri Sil"));
    CheckBox2->setChecked(true);
    CheckBox3 = place<QCheckBox>(GroupBox1, "CheckBox3", 104, 136, 177, 25);
    CheckBox3->setText(QStringLiteral("Otomatik Aktar"));
    CheckBox3->setChecked(false);
    Memo1 = place<QPlainTextEdit>(GroupBox1, "Memo1", 264, 136, 457, 41);
    Memo1->hide();

    GroupBox2 = place<QGroupBox>(this, "GroupBox2", 16, 206, 817, 401);
    GroupBox2->setTitle(QStringLiteral("Ayarlar"));
    Grid = place<QTableWidget>(GroupBox2, "Grid", 13, 24, 783, 321);
    // Row 0, the fixed header row, is the table's header bar: it stays in
    // view when the device rows scroll. Device rows 1..99 are table rows 0..98.
    Grid->setRowCount(kGridRows - 1);
    Grid->setColumnCount(kGridColumns);
    Grid->verticalHeader()->hide();
    Grid->verticalHeader()->setDefaultSectionSize(24);
    Grid->horizontalHeader()->setFixedHeight(24);
    Grid->horizontalHeader()->setSectionsClickable(false);
    Grid->horizontalHeader()->setHighlightSections(false);
    const int widths[kGridColumns] = {75, 195, 55, 124, 295};
    for (int c = 0; c < kGridColumns; ++c) {
        Grid->setColumnWidth(c, widths[c]);
        Grid->setHorizontalHeaderItem(c, new QTableWidgetItem); // blank until FormCreate
    }
    Label3 = place<QLabel>(GroupBox2, "Label3", 20, 361, 57, 13);
    Label3->setText(QStringLiteral("Bilgisayar IP"));
    IpTxt = place<QLineEdit>(GroupBox2, "IpTxt", 88, 359, 225, 21);
    Button3 = place<QPushButton>(GroupBox2, "Button3", 320, 352, 113, 33);
    Button3->setText(QStringLiteral("Cihazları Ağda Ara"));

    BitBtn1 = place<QPushButton>(this, "BitBtn1", 712, 616, 121, 41);
    BitBtn1->setText(QStringLiteral("Kayıtları Çek"));
    BitBtn2 = place<QPushButton>(this, "BitBtn2", 16, 624, 121, 41);
    BitBtn2->setText(QStringLiteral("Kapat"));

    Panel1 = place<QWidget>(this, "Panel1", 160, 296, 185, 105);
    Saat = place<QLabel>(Panel1, "Saat", 32, 24, 22, 13);
    Saat->setText(QStringLiteral("Saat"));
    TimeMaskEdit = place<QLineEdit>(Panel1, "TimeMaskEdit", 8, 56, 169, 21);
    TimeMaskEdit->setInputMask(QStringLiteral("99.99.99 99:99:99;_"));
    TimeMaskEdit->setMaxLength(17);
    Panel1->hide();

    // Tab order as designed.
    setTabOrder(GroupBox1, GroupBox2);
    setTabOrder(YedekTxt, AktarTxt);
    setTabOrder(AktarTxt, Button1);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, CheckBox1);
    setTabOrder(CheckBox1, CheckBox2);
    setTabOrder(CheckBox2, CheckBox3);
    setTabOrder(Button3, Grid);
    setTabOrder(Grid, IpTxt);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);

    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm1::BitBtn2Click);
    // A change of state by the operator or by start-up saves the option.
    connect(CheckBox1, &QCheckBox::toggled, this, &TForm1::CheckBox1Click);
    connect(CheckBox2, &QCheckBox::toggled, this, &TForm1::CheckBox2Click);
    connect(CheckBox3, &QCheckBox::toggled, this, &TForm1::CheckBox3Click);
}

QString TForm1::cell(int row, int column) const
{
    const QTableWidgetItem *item = row == 0 ? Grid->horizontalHeaderItem(column) : Grid->item(row - 1, column);
    return item ? item->text() : QString();
}

void TForm1::setCell(int row, int column, const QString &text)
{
    if (row == 0) {
        Grid->horizontalHeaderItem(column)->setText(text);
        return;
    }
    if (QTableWidgetItem *item = Grid->item(row - 1, column)) {
        item->setText(text);
        return;
    }
    Grid->setItem(row - 1, column, new QTableWidgetItem(text));
}

TForm11 *TForm1::form11() const
{
    return Form11.data();
}

void TForm1::setForm11(TForm11 *window)
{
    Form11 = window;
}

void TForm1::guarded(const std::function<void()> &body)
{
    try {
        body();
    } catch (const TextError &e) {
        dialogs_.showError(e.text());
    }
}

void TForm1::FormCreate()
{
    // The first failing load ends the loading: later settings keep their
    // designed state, the header row stays blank and no device is loaded.
    guarded([this] {
        AktarTxt->setText(settings_.loadPath(kAktarFile));
        YedekTxt->setText(settings_.loadPath(kYedekFile));
        const std::pair<QCheckBox *, const QString *> options[] = {
            {CheckBox1, &kSaatFile}, {CheckBox2, &kVeriSilFile}, {CheckBox3, &kOtomatikAktarFile}};
        for (const auto &[box, file] : options) {
            if (const auto value = settings_.loadOption(*file)) {
                // A change saves the option at once; a failing save ends the
                // loading here, as a failing load does.
                loadingOptions_ = true;
                box->setChecked(*value);
                loadingOptions_ = false;
                if (optionSaveFailure_) {
                    const TextError failure = *optionSaveFailure_;
                    optionSaveFailure_.reset();
                    throw failure;
                }
            }
        }
        Grid->setColumnCount(kGridColumns);
        const QString headers[kGridColumns] = {QStringLiteral("ID"), QStringLiteral("IP"), QStringLiteral("G(0)/Ç(1)"),
                                               QStringLiteral("Durum"), QStringLiteral("Kayıt")};
        for (int c = 0; c < kGridColumns; ++c)
            setCell(0, c, headers[c]);
        const auto devices = settings_.loadDeviceList(kGridRows - 1);
        for (int i = 0; i < devices.size(); ++i) {
            setCell(i + 1, ColId, devices[i].id);
            setCell(i + 1, ColIp, devices[i].ip);
            setCell(i + 1, ColG, devices[i].g);
        }
    });
}

bool TForm1::event(QEvent *e)
{
    if (e->type() == QEvent::WindowActivate && !activated_) {
        activated_ = true;
        FormActivate();
    }
    return QWidget::event(e);
}

void TForm1::FormActivate()
{
    if (CheckBox3->isChecked())
        Timer1->start();
}

void TForm1::Timer1Timer()
{
    BitBtn1Click();
}

void TForm1::Button2Click()
{
    const auto chosen = dialogs_.openFile(kOpenDialogFilter);
    if (!chosen)
        return;
    AktarTxt->setText(*chosen);
    guarded([this] { settings_.savePath(kAktarFile, AktarTxt->text()); });
}

void TForm1::Button1Click()
{
    const auto chosen = dialogs_.pickFolder();
    if (!chosen)
        return;
    YedekTxt->setText(*chosen);
    guarded([this] { settings_.savePath(kYedekFile, YedekTxt->text()); });
}

void TForm1::saveOption(QCheckBox *box, const QString &fileName)
{
    if (loadingOptions_) {
        try {
            settings_.saveOption(fileName, box->isChecked());
        } catch (const TextError &e) {
            optionSaveFailure_ = e;
        }
        return;
    }
    guarded([&] { settings_.saveOption(fileName, box->isChecked()); });
}

void TForm1::CheckBox1Click()
{
    saveOption(CheckBox1, kSaatFile);
}

void TForm1::CheckBox2Click()
{
    saveOption(CheckBox2, kVeriSilFile);
}

void TForm1::CheckBox3Click()
{
    saveOption(CheckBox3, kOtomatikAktarFile);
}

void TForm1::BitBtn2Click()
{
    close();
}

} // namespace ta::gui
