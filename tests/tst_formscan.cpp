// Reading blank waybill forms: the labels found, their part, and where each box lands,
// over a corpus of forms drawn in the test.
#include "FieldLabels.h"
#include "FormCorpus.h"
#include "FormScan.h"
#include "ScanModule.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTest>

namespace {

constexpr double BoxHeightMm = 6.6; // a designer box: 25 pixels at 96 an inch

struct Tally {
    int right = 0;
    int wrong = 0;
    QStringList notes;
};

// Each proposed box against the cells the form was drawn with: its top-left inside its
// own field's cell, its right end not past the cell, and clear of the label.
Tally Check(const FormCorpus::Form& form, const FormScan::Proposal& proposal)
{
    Tally tally;
    for (const FormScan::ProposedBox& box : proposal.found) {
        const QPointF topLeft = form.toMm.map(QPointF(box.topLeft));
        const QPointF end = form.toMm.map(QPointF(box.topLeft + QPoint(box.width, 0)));
        const QRectF drawn(topLeft, QSizeF(end.x() - topLeft.x(), BoxHeightMm));
        const auto field = std::find_if(form.fields.begin(), form.fields.end(),
                                        [&](const FormCorpus::Field& f) { return f.code == box.code; });
        const bool right = field != form.fields.end() && field->cell.adjusted(-.3, -.3, .3, .3).contains(topLeft) &&
                           end.x() <= field->cell.right() + .5 && !drawn.intersects(field->label);
        if (right) {
            ++tally.right;
            continue;
        }
        ++tally.wrong;
        tally.notes << QStringLiteral("%1 at (%2, %3) mm")
                           .arg(box.code)
                           .arg(topLeft.x(), 0, 'f', 1)
                           .arg(topLeft.y(), 0, 'f', 1);
    }
    for (const FormCorpus::Field& field : form.fields)
        if (proposal.missing.contains(field.code))
            tally.notes << field.code + QStringLiteral(" missed");
    return tally;
}

} // namespace

class TestFormScan : public QObject {
    Q_OBJECT
private slots:
    void labelsAreTakenApart_data();
    void labelsAreTakenApart();
    void corpusFieldsLandInTheirCells();
};

void TestFormScan::labelsAreTakenApart_data()
{
    QTest::addColumn<QString>("read");
    QTest::addColumn<QString>("found"); // part and role of each label: 1 sender, 2 phone, 3 mobile, 10 postcode
    QTest::newRow("part and label in one run") << "收件人电话"
                                               << "2 2";
    QTest::newRow("misread character") << "寄件入电话"
                                       << "1 2";
    QTest::newRow("no label inside other words") << "客服电话"
                                                 << "";
    QTest::newRow("two labels run together") << "邮编手机"
                                             << "0 10,0 3";
}

void TestFormScan::labelsAreTakenApart()
{
    QFETCH(QString, read);
    QFETCH(QString, found);
    QList<FieldLabels::Glyph> word;
    for (int i = 0; i < read.size(); ++i)
        word.append({read.mid(i, 1), QRect(i * 20, 0, 18, 20)});
    QStringList hits;
    for (const FieldLabels::Hit& hit : FieldLabels::Read(word))
        hits << QStringLiteral("%1 %2").arg(int(hit.part)).arg(int(hit.role));
    QCOMPARE(hits.join(','), found);
}

void TestFormScan::corpusFieldsLandInTheirCells()
{
    if (!ScanModule::MissingPackages().isEmpty())
        QSKIP(qPrintable("no Tesseract language data: install " + ScanModule::MissingPackages().join(", ")));
    QTest::failOnWarning(QRegularExpression("not installed"));
    int right = 0, wrong = 0, fields = 0;
    for (const FormCorpus::Plan& plan : FormCorpus::Plans()) {
        const FormCorpus::Form form = FormCorpus::Draw(plan);
        QElapsedTimer timer;
        timer.start();
        const FormScan::Proposal proposal = FormScan::Scan(form.picture, form.pxPerMm, BoxHeightMm);
        const Tally tally = Check(form, proposal);
        qInfo("%-40s %2d/%2d in their cells, %d wrong, %.1f s  %s", plan.name, tally.right, int(form.fields.size()),
              tally.wrong, timer.elapsed() / 1000.0, qPrintable(tally.notes.join("; ")));
        right += tally.right;
        wrong += tally.wrong;
        fields += int(form.fields.size());
    }
    qInfo("corpus: %d of %d fields in their cells (%.0f%%), %d in a wrong cell", right, fields, 100.0 * right / fields,
          wrong);
    QCOMPARE(wrong, 0);
    QVERIFY(right * 10 >= fields * 9);
}

QTEST_MAIN(TestFormScan)
#include "tst_formscan.moc"
