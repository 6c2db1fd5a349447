#include "WaybillPrint.h"

#include "Modal.h"
#include "P3.h"
#include "WaybillStore.h"

namespace {

void handOver(TfrmP3& window, const QString& companyName, const QString& waybillId, QStringList texts)
{
    window.CompanyName = companyName;
    window.WaybillId = waybillId;
    window.ItemTexts = std::move(texts);
    window.onPrinted = [](const QList<qint64>& waybillIds, const QString& printer) {
        WaybillStore::logPrints(waybillIds, printer, WaybillStore::PrintKind::Single);
    };
}

} // namespace

void PrepareWaybillPrint(TfrmP3& window, const QString& companyName, const QString& waybillId)
{
    handOver(window, companyName, waybillId, WaybillStore::printTexts(waybillId));
}

void OpenWaybillPrint(QWidget* owner, const QString& companyName, const QString& waybillId)
{
    // Read before the window exists, so a failed read leaves no unshown window behind.
    QStringList texts = WaybillStore::printTexts(waybillId);
    OpenModal<TfrmP3>(owner, [&](TfrmP3& window) { handOver(window, companyName, waybillId, std::move(texts)); });
}
