#!/usr/bin/env bash
# Enters 20 waybills with known contacts by keyboard alone, into the real program under a
# virtual display, and counts the keys pressed beyond the typed texts (initials, waybill
# number, goods). Each waybill is saved and printed on the default printer.
#   bash tools/key-count.sh            (needs tools/setup.sh and a build; root for CUPS)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ORVANE_BUILD_DIR:-$root/build}"
waybills=20

cmake --build "$build" -j"$(nproc)" --target orvane-waybill orvane-gen-db >/dev/null
bash "$root/tools/cups-pdf-printer.sh" >/dev/null

work="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
shop="$work/shop"
"$build/bench/orvane-gen-db" "$shop" --waybills 50 --contacts 300 >/dev/null
cp "$build/app/orvane-waybill" "$shop/"
db="$shop/Data/db.sqlite3"

# Initials that find exactly one live contact, so the look-up fills the block at once.
unique_codes() {
  sqlite3 "$db" "SELECT a.NPY FROM $1 a WHERE a.theDel = '否' AND a.NPY GLOB '[A-Z]*' AND
    (SELECT COUNT(*) FROM $1 b WHERE b.theDel = '否' AND
      (b.theName LIKE '%' || a.NPY || '%' OR b.NPY LIKE '%' || a.NPY || '%')) = 1
    ORDER BY a.ID LIMIT $waybills"
}
mapfile -t senders < <(unique_codes USender)
mapfile -t recipients < <(unique_codes UAddressee)
if [ "${#senders[@]}" -lt "$waybills" ] || [ "${#recipients[@]}" -lt "$waybills" ]; then
  echo "key-count.sh: the generated shop has too few contacts with unique initials" >&2
  exit 1
fi
before=$(sqlite3 "$db" "SELECT COUNT(*) FROM UE")

display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x1024x24 >/dev/null 2>&1 &
sleep 1
export DISPLAY="$display"
# A window manager gives each new window the keyboard focus, as a desktop does.
openbox >/dev/null 2>&1 &
sleep 1
(cd "$shop" && ./orvane-waybill >/dev/null 2>&1) &
program=$!
# Keys sent before the login window holds the keyboard are lost: wait until it does.
for _ in $(seq 30); do
  login=$(xdotool search --onlyvisible --name '软件登录' 2>/dev/null | head -n 1) && [ -n "$login" ] && break
  sleep 1
done
xdotool windowactivate "$login" 2>/dev/null || true
sleep 1

setup_keys=0
keys=0
press() { xdotool key --clearmodifiers "$@"; keys=$((keys + $#)); sleep 0.4; }
setup() { xdotool key --clearmodifiers "$@"; setup_keys=$((setup_keys + $#)); sleep 0.6; }
type() { xdotool type --delay 30 "$1"; sleep 0.2; }

# Log in as admin with the initial password (the focus starts on 登录: on past 退出 to the
# user list, "a" picks admin and moves on to the password), open 快递单录入 (Alt+P, I) and tick
# 连续新增 (the last stop of the window's Tab order).
setup Tab Tab a
type 804615
setup Return
sleep 1
setup alt+p i
sleep 1
setup shift+Tab space Tab

# A shop sends from one address: 连续新增 keeps the sender, and the focus starts in the
# recipient's name from the second waybill on.
type "${senders[0]}"
press Return              # look-up: the sender block is filled, on to the recipient
for i in $(seq 0 $((waybills - 1))); do
  type "${recipients[$i]}"
  press Return            # look-up: on to the courier, which stays from the last waybill
  press Return            # on to 快递单号
  type "KC$(printf '%04d' "$i")"
  press Return            # on to 快递物品
  type "books"
  press ctrl+s            # save
  sleep 0.6
  press Return            # "快递单 信息 保存成功！"
  sleep 0.8
  press Return            # 打印 in the print window
  sleep 1
done

saved=$(sqlite3 "$db" "SELECT COUNT(*) FROM UE WHERE ENum LIKE 'KC%' AND EAN = 'books' AND EName <> '' AND JNPY = '${senders[0]}'")
printed=$(sqlite3 "$db" "SELECT COUNT(DISTINCT WID) FROM ULog WHERE WID IN (SELECT ID FROM UE WHERE ENum LIKE 'KC%')")
after=$(sqlite3 "$db" "SELECT COUNT(*) FROM UE")
kill "$program" 2>/dev/null || true

# A chord such as ctrl+s counts as the keys held together.
chords=$((waybills))
echo "waybills saved: $saved of $waybills (table grew by $((after - before))), printed: $printed"
echo "keys beyond the typed texts: $((keys + chords)) in all, $(((keys + chords) / waybills)).$((((keys + chords) * 10 / waybills) % 10)) per waybill"
echo "once per session: $setup_keys (login, opening the window, 连续新增)"
[ "$saved" -eq "$waybills" ] && [ "$printed" -eq "$waybills" ]
