#include "Regions.h"

#include "DivisionTable.h"
#include "GbkText.h"

#include <QHash>

namespace Regions {

namespace {

// Characters read otherwise in place names than in the pinyin table, with the initial of that
// reading: 长沙 is "cs", 重庆 "cq", 厦门 "xm", 西藏 "xz", 佛山 (uncoded there) "fs".
const QString PlaceReadings =
    QStringLiteral("长C重C厦X佛F藏Z番P单S乐Y铅Y洞T枞Z涡G泌B浚X蔚Y尉Y峙S阿E筠J犍Q陂P召S覃Q茄Q调T埔P圩X");

// Peoples named in autonomous regions and prefectures; the short name is what comes before them.
const QStringList Peoples = {
    QStringLiteral("土家族"),   QStringLiteral("布依族"), QStringLiteral("哈尼族"), QStringLiteral("景颇族"),
    QStringLiteral("傈僳族"),   QStringLiteral("朝鲜族"), QStringLiteral("维吾尔"), QStringLiteral("哈萨克"),
    QStringLiteral("柯尔克孜"), QStringLiteral("蒙古"),   QStringLiteral("壮族"),   QStringLiteral("回族"),
    QStringLiteral("藏族"),     QStringLiteral("羌族"),   QStringLiteral("彝族"),   QStringLiteral("苗族"),
    QStringLiteral("侗族"),     QStringLiteral("傣族"),   QStringLiteral("白族"),   QStringLiteral("黎族"),
};

QStringList shortForms(const QString& name)
{
    static const QStringList plainSuffixes = {
        QStringLiteral("特别行政区"), QStringLiteral("地区"), QStringLiteral("林区"), QStringLiteral("省"),
        QStringLiteral("市"),         QStringLiteral("盟"),   QStringLiteral("县")};
    QStringList forms;
    const auto add = [&](const QString& form) {
        if (form.size() >= 2 && form != name && !forms.contains(form))
            forms << form;
    };
    if (name.endsWith(QStringLiteral("自治区")) || name.endsWith(QStringLiteral("自治州"))) {
        QString base = name.chopped(3);
        qsizetype cut = base.size();
        for (const QString& people : Peoples) {
            const qsizetype at = base.indexOf(people);
            if (at >= 2 && at < cut)
                cut = at;
        }
        base.truncate(cut);
        if (name.endsWith(QStringLiteral("州")))
            add(base + QStringLiteral("州"));
        add(base);
        return forms;
    }
    for (const QString& suffix : plainSuffixes)
        if (name.endsWith(suffix)) {
            add(name.chopped(suffix.size()));
            break;
        }
    return forms;
}

struct Index {
    QStringList names;
    QList<Level> levels;
    QList<int> ends; // one past the row's last descendant
    QStringList initials, placeInitials;
    QList<QStringList> forms;
    QHash<QString, QList<int>> byForm;

    Index()
    {
        names.reserve(DivisionCount);
        for (int row = 0; row < DivisionCount; ++row) {
            const Division& d = Divisions[row];
            names << QString::fromUtf8(d.name);
            levels << (d.parent < 0 ? Level::Province : Level(int(levels[d.parent]) + 1));
            ends << row + 1;
            for (int up = d.parent; up >= 0; up = Divisions[up].parent)
                ends[up] = row + 1;

            QString han;
            for (QChar c : names.last())
                if (c.script() == QChar::Script_Han)
                    han += c;
            const QString code = pinyinCodeOf(han);
            QString place = code;
            for (qsizetype i = 0; i < han.size() && i < place.size(); ++i) {
                const qsizetype at = PlaceReadings.indexOf(han[i]);
                if (at >= 0)
                    place[i] = PlaceReadings[at + 1];
            }
            initials << code;
            placeInitials << place;

            QStringList written{names.last()};
            if (levels.last() != Level::District)
                written += shortForms(names.last());
            // Pasted text has its full-width brackets made ASCII: 嘉模堂区(氹仔).
            QString ascii = names.last();
            ascii.replace(QChar(0xFF08), QLatin1Char('(')).replace(QChar(0xFF09), QLatin1Char(')'));
            if (ascii != names.last())
                written << ascii;
            for (const QString& form : written)
                byForm[form] << row;
            forms << written;
        }
    }

    bool initialsStartWith(int row, const QString& typed) const
    {
        const QString& code = initials[row];
        const QString& place = placeInitials[row];
        if (typed.size() > code.size())
            return false;
        for (qsizetype i = 0; i < typed.size(); ++i)
            if (typed[i] != code[i] && typed[i] != place[i])
                return false;
        return true;
    }
};

const Index& index()
{
    static const Index built;
    return built;
}

bool isLetters(const QString& text)
{
    for (QChar c : text)
        if (!(c >= QLatin1Char('a') && c <= QLatin1Char('z')) && !(c >= QLatin1Char('A') && c <= QLatin1Char('Z')))
            return false;
    return true;
}

} // namespace

int Count() { return DivisionCount; }

QString NameOf(int row) { return index().names.at(row); }

Level LevelOf(int row) { return index().levels.at(row); }

int ParentOf(int row) { return Divisions[row].parent; }

bool IsUnder(int row, int ancestor) { return row > ancestor && row < index().ends.at(ancestor); }

Place PlaceOf(int row)
{
    Place place;
    for (int up = row; up >= 0; up = ParentOf(up)) {
        QString& box = LevelOf(up) == Level::Province ? place.province
                       : LevelOf(up) == Level::City   ? place.city
                                                      : place.district;
        box = NameOf(up);
    }
    return place;
}

QStringList WrittenForms(int row) { return index().forms.at(row); }

QString FullAddress(const Place& place, const QString& street)
{
    struct Part {
        QString name;
        Level level;
    };
    QList<Part> names;
    for (const Part& part : {Part{place.province.trimmed(), Level::Province}, Part{place.city.trimmed(), Level::City},
                             Part{place.district.trimmed(), Level::District}})
        if (!part.name.isEmpty() && (names.isEmpty() || names.last().name != part.name))
            names << part;
    const QString rest = street.trimmed();
    // A short form counts only before the next place's full name: 天津大道 is a street of
    // 天津市, 内蒙古呼和浩特市 is the province written short.
    const auto startsWithIt = [&](qsizetype i) {
        if (rest.startsWith(names[i].name))
            return true;
        if (i + 1 == names.size())
            return false;
        for (int row : Regions::Named(names[i].name, names[i].level))
            for (const QString& form : WrittenForms(row))
                if (rest.startsWith(form) && QStringView(rest).mid(form.size()).startsWith(names[i + 1].name))
                    return true;
        return false;
    };
    QString text;
    for (qsizetype i = 0; i < names.size() && !startsWithIt(i); ++i)
        text += names[i].name;
    return text + rest;
}

QList<int> Named(const QString& name, Level level, int within)
{
    QList<int> rows;
    for (int row : index().byForm.value(name))
        if (LevelOf(row) == level && (within < 0 || IsUnder(row, within)))
            rows << row;
    return rows;
}

QList<int> Complete(const QString& typed, Level level, int within, int limit)
{
    const QString text = typed.trimmed();
    if (text.isEmpty() || limit <= 0)
        return {};
    const Index& idx = index();
    const bool letters = isLetters(text);
    const QString upper = text.toUpper();
    const int first = within < 0 ? 0 : within + 1;
    const int end = within < 0 ? DivisionCount : idx.ends.at(within);

    QList<int> starting, byInitials, holding;
    for (int row = first; row < end && starting.size() < limit; ++row) {
        if (idx.levels[row] != level)
            continue;
        const QString& name = idx.names[row];
        if (name.startsWith(text))
            starting << row;
        else if (letters && idx.initialsStartWith(row, upper))
            byInitials << row;
        else if (name.contains(text))
            holding << row;
    }
    QList<int> rows = starting + byInitials + holding;
    if (rows.size() > limit)
        rows.resize(limit);
    return rows;
}

} // namespace Regions
