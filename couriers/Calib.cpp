#include "Calib.h"

#include "AppError.h"
#include "CalibSheet.h"
#include "Controls.h"
#include "CourierStore.h"
#include "Guard.h"
#include "Messages.h"
#include "PrintItems.h"
#include "PrinterChoice.h"
#include "Printing.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>

namespace {

QDoubleSpinBox* makeOffsetBox(QWidget* parent, const char* name, int left, int top)
{
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(left, top, 110, 23);
    box->setRange(-PrintSetup::MaxOffsetMm, PrintSetup::MaxOffsetMm);
    box->setDecimals(1);
    box->setSingleStep(0.1);
    box->setSuffix(QStringLiteral(" 毫米"));
    box->setAlignment(Qt::AlignRight);
    return box;
}

QString displayName(const QString& code)
{
    for (const PrintItem& item : PrintItems())
        if (item.code == code)
            return item.displayName;
    return code;
}

QString millimetres(double mm) { return QString::number(mm, 'f', 1); }

} // namespace

TfrmCalib::TfrmCalib(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmCalib"));
    SetupFixedWindow(this, QStringLiteral("打印校准"), 440, 316);

    MakeLabel(this, "Label1", QStringLiteral("快递公司："), 24, 20);
    Label2 = MakeLabel(this, "Label2", QString(), 110, 20);
    MakeLabel(this, "Label3", QStringLiteral("打  印  机："), 24, 44);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setGeometry(110, 40, 306, 23);
    ComboBox1->setToolTip(QStringLiteral("这家快递公司的快递单都用这台打印机打印；偏移按打印机分别保存"));
    OnSignal(ComboBox1, &QComboBox::currentIndexChanged, this, [this] { ComboBox1Change(); });

    QGroupBox* origin = MakeGroup(this, "GroupBox1", QStringLiteral("原点"), QRect(24, 72, 392, 70));
    RadioButton1 = new QRadioButton(QStringLiteral("可打印区域的左上角（默认）"), origin);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton1->move(16, 20);
    RadioButton1->adjustSize();
    RadioButton2 = new QRadioButton(QStringLiteral("纸张的左上角（补偿打印机不能打印的页边）"), origin);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    RadioButton2->move(16, 42);
    RadioButton2->adjustSize();
    RadioButton1->setChecked(true);

    MakeLabel(this, "Label5", QStringLiteral("水平偏移："), 24, 160);
    SpinX = makeOffsetBox(this, "SpinX", 110, 156);
    MakeLabel(this, "Label6", QStringLiteral("向右为正"), 232, 160);
    MakeLabel(this, "Label7", QStringLiteral("垂直偏移："), 24, 190);
    SpinY = makeOffsetBox(this, "SpinY", 110, 186);
    MakeLabel(this, "Label8", QStringLiteral("向下为正"), 232, 190);

    QLabel* hint = MakeLabel(this, "Label9",
                             QStringLiteral("打印校准页，把它叠在空白快递单上对着光看，或者量一量标尺，"
                                            "填入偏移后保存。打印校准页时也按当前的偏移保存。"),
                             24, 218);
    hint->setWordWrap(true);
    hint->setFixedWidth(392);
    hint->adjustSize();

    BitBtn2 = MakeButton(this, "BitBtn2", QStringLiteral("打印校准页"), QRect(24, 272, 100, 25),
                         QStyle::SP_FileDialogDetailedView);
    BitBtn1 = MakeButton(this, "BitBtn1", QStringLiteral("保存"), QRect(240, 272, 75, 25), QStyle::SP_DialogSaveButton);
    BitBtn3 =
        MakeButton(this, "BitBtn3", QStringLiteral("退出"), QRect(341, 272, 75, 25), QStyle::SP_DialogCloseButton);
    OnSignal(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    OnSignal(BitBtn2, &QPushButton::clicked, this, [this] { printCalibrationSheet(); });
    OnSignal(BitBtn3, &QPushButton::clicked, this, [this] { reject(); });
}

void TfrmCalib::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_prepared)
        return;
    m_prepared = true;
    CentreOn(this, parentWidget() ? parentWidget()->window() : nullptr);
    Guarded(this, [this] { myLoad(); });
}

void TfrmCalib::myLoad()
{
    Label2->setText(CompanyName);
    Label2->adjustSize();
    FillPrinterChoice(ComboBox1, PrintSetup::form(CompanyName).printer);
    ComboBox1Change();
}

void TfrmCalib::ComboBox1Change()
{
    QString printer;
    try {
        printer = myPrinter();
    } catch (const AppError&) {
        // Nothing to calibrate on yet; saving and printing say why.
        return;
    }
    const PrintSetup::Offset stored = PrintSetup::offset(printer, CompanyName);
    SpinX->setValue(stored.x);
    SpinY->setValue(stored.y);
    (stored.origin == PrintSetup::Origin::PaperEdge ? RadioButton2 : RadioButton1)->setChecked(true);
}

QString TfrmCalib::myPrinter() const
{
    const QString chosen = ChosenPrinter(ComboBox1);
    const std::optional<QString> printer = PrinterFor(chosen);
    if (!printer)
        throw AppError(QStringLiteral("打印机“%1”已经找不到了，请另选一台打印机。").arg(chosen));
    return *printer;
}

PrintSetup::Offset TfrmCalib::myOffset() const
{
    return {SpinX->value(), SpinY->value(),
            RadioButton2->isChecked() ? PrintSetup::Origin::PaperEdge : PrintSetup::Origin::PrintableArea};
}

void TfrmCalib::mySave()
{
    PrintSetup::saveCalibration(myPrinter(), CompanyName, myOffset(), ChosenPrinter(ComboBox1));
}

void TfrmCalib::BitBtn1Click()
{
    mySave();
    ShowMessage(this, windowTitle() + QStringLiteral(" 保存成功！"));
    accept();
}

void TfrmCalib::printCalibrationSheet()
{
    // What the sheet shows is what a waybill gets: the printer and offset in the window, saved.
    mySave();
    const QString printer = myPrinter();
    const PrintSetup::Offset offset = myOffset();
    QList<CalibrationSheet::Mark> marks;
    for (const CourierStore::PrintRow& row : CourierStore::printRows(CompanyName))
        if (row.printed)
            marks.append({displayName(row.code), QPoint(row.left, row.top)});
    const QStringList notes = {
        QStringLiteral("打印校准页"),
        QStringLiteral("快递公司：%1").arg(CompanyName),
        QStringLiteral("打印机：%1").arg(printer.isEmpty() ? QStringLiteral("PDF 文件") : printer),
        QStringLiteral("原点：%1    水平偏移：%2 毫米    垂直偏移：%3 毫米")
            .arg(PrintSetup::OriginCaption(offset.origin), millimetres(offset.x), millimetres(offset.y)),
        QStringLiteral("标尺和十字的坐标从原点移过偏移后量起，单位为毫米；十字的中心是该项目文字的左上角。"),
    };
    // The company's own page: its form's size, or the printer's default paper.
    const FormLayout form = CompanyForm(CompanyName, {});
    const QSizeF paper = form.paperMm.isEmpty() ? DefaultPaperMm(printer) : form.paperMm;
    PrintBatch batch(this);
    if (batch.add(CalibrationSheet::Layout(form, paper, marks, notes)))
        batch.finish();
}
