#!/usr/bin/env bash
# Starts CUPS (when it is not running) with a cups-pdf printer as the system's default
# destination, so printing tests go through the real default printer. Prints the folder
# where cups-pdf writes its PDF files. Needs root; run tools/setup.sh first.
set -euo pipefail

printer=OrvanePDF
outdir=/var/spool/cups-pdf/orvane

mkdir -p "$outdir"
chmod 1777 "$outdir"
conf=/etc/cups/cups-pdf.conf
if ! grep -q "^Out $outdir\$" "$conf"; then
  sed -i -e "s|^Out .*|Out $outdir|" -e "s|^#\?AnonDirName .*|AnonDirName $outdir|" "$conf"
  restart=1
fi

# lpstat -r exits 0 either way; only its text tells whether the scheduler answers.
scheduler_up() { lpstat -r 2>/dev/null | grep -q "scheduler is running"; }

if ! scheduler_up || [ -n "${restart:-}" ]; then
  if command -v systemctl >/dev/null 2>&1 && systemctl is-system-running >/dev/null 2>&1; then
    systemctl restart cups
  else
    pkill -x cupsd 2>/dev/null || true
    sleep 0.5
    /usr/sbin/cupsd
  fi
  for _ in $(seq 1 100); do scheduler_up && break; sleep 0.2; done
  if ! scheduler_up; then
    echo "cups-pdf-printer.sh: the CUPS scheduler did not start" >&2
    exit 1
  fi
fi

if ! lpstat -p "$printer" >/dev/null 2>&1; then
  lpadmin -p "$printer" -E -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
fi
cupsenable "$printer"
cupsaccept "$printer"
lpadmin -d "$printer"
echo "$outdir"
