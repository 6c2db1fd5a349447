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

// "0" is the layout's test page; any other waybill is printed only while it is live.
QStringList textsOf(const QString& waybillId)
{
    if (waybillId == QLatin1String("0"))
        return {};
    bool numeric = false;
    const qint64 id = waybillId.toLongLong(&numeric);
    return WaybillStore::liveTexts(numeric ? id : 0);
}

} // namespace

void PrepareWaybillPrint(TfrmP3& window, const QString& companyName, const QString& waybillId)
{
    handOver(window, companyName, waybillId, textsOf(waybillId));
}

void OpenWaybillPrint(QWidget* owner, const QString& companyName, const QString& waybillId)
{
    // Read before the window exists, so a failed read leaves no unshown window behind.
    QStringList texts = textsOf(waybillId);
    OpenModal<TfrmP3>(owner, [&](TfrmP3& window) { handOver(window, companyName, waybillId, std::move(texts)); });
}
