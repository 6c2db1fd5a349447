#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Look-up in China's administrative divisions (DivisionTable): what a row is called, what lies
// above it, the names people write for it, and completion by characters or pinyin initials.
// A row is an index into Divisions.
namespace Regions {

enum class Level { Province = 1, City = 2, District = 3 };

int Count();
QString NameOf(int row);
Level LevelOf(int row);
// The province or city above; -1 for a province.
int ParentOf(int row);
bool IsUnder(int row, int ancestor);

// The region boxes for a row, from the province down to the row itself: 北京市 / 北京市 / 朝阳区,
// 湖北省 / 仙桃市 / "".
struct Place {
    QString province, city, district;
};
Place PlaceOf(int row);

// The names a text may give a row, longest first: 内蒙古自治区 and 内蒙古, 恩施土家族苗族自治州,
// 恩施州 and 恩施, 杭州市 and 杭州. Counties and districts only go by their full name, since
// their short forms (西湖, 朝阳) are too often part of a street name.
QStringList WrittenForms(int row);

// Province, city, district and street as one text, for a box that prints the whole address:
// 新疆维吾尔自治区伊犁哈萨克自治州伊宁市解放路1号. A municipality's city is not named twice, and
// the places the street itself starts with (a pasted address: 伊宁市解放路1号, or 伊犁州伊宁市…)
// are left to it rather than repeated.
QString FullAddress(const Place& place, const QString& street);

// Rows at `level` that go by `name` (any of their written forms), under `within` when it is a
// row, anywhere when it is -1.
QList<int> Named(const QString& name, Level level, int within = -1);

// Completion for a region box: rows at `level` under `within` whose name starts with `typed`,
// then those whose pinyin initials start with it (letters in any case: "zj" → 浙江省), then those
// whose name holds it elsewhere; in table order within each group, at most `limit` rows.
QList<int> Complete(const QString& typed, Level level, int within = -1, int limit = 30);

} // namespace Regions
