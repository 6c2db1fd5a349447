#include "LongestText.h"

#include "PrintItems.h"
#include "Regions.h"

#include <QHash>

namespace {

QHash<QString, QString> longestPlaces()
{
    QString province, city, district, full;
    const auto keepLonger = [](QString& kept, const QString& text) {
        if (text.size() > kept.size())
            kept = text;
    };
    for (int row = 0; row < Regions::Count(); ++row) {
        const QString name = Regions::NameOf(row);
        switch (Regions::LevelOf(row)) {
        case Regions::Level::Province:
            keepLonger(province, name);
            break;
        case Regions::Level::City:
            keepLonger(city, name);
            break;
        case Regions::Level::District:
            keepLonger(district, name);
            break;
        }
        keepLonger(full, Regions::FullAddress(Regions::PlaceOf(row), QString()));
    }
    QHash<QString, QString> texts;
    for (const char* party : {"JP", "SP"}) {
        texts.insert(QLatin1String(party) + "06", province);
        texts.insert(QLatin1String(party) + "07", city);
        texts.insert(QLatin1String(party) + "08", district);
        texts.insert(QLatin1String(party) + "11", full);
    }
    return texts;
}

} // namespace

QString LongestText(const QString& code)
{
    static const QHash<QString, QString> places = longestPlaces();
    QString text = places.value(code);
    for (const PrintItem& item : PrintItems())
        if (item.code == code && item.displayName.size() > text.size())
            text = item.displayName;
    return text;
}
