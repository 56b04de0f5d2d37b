#!/usr/bin/env bash
# Checks the web page in headless Chromium: serves the page's folder from 127.0.0.1, drives the
# page through every example and a few hundred random inputs (harness.js), and compares what
# it shows and downloads with what the command line gives. Then keeps a screenshot.
# usage: tests/web/browser_check.sh PAGE_DIR LOSSLESS_JOIN [SCREENSHOT]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
page_dir=$(cd "$1" && pwd)
tool=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
screenshot=${3:-$page_dir/../page.png}
browser=$(command -v chromium || command -v chromium-browser || command -v google-chrome || true)
[ -n "$browser" ] || { echo "no Chromium found"; exit 1; }

scratch=$(mktemp -d)
server=""
cleanup() {
  [ -z "$server" ] || kill "$server" 2>/dev/null || true
  [ -z "${chrome:-}" ] || kill "$chrome" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
mkdir "$scratch/test" "$scratch/profile"
cp "$here/harness.html" "$here/harness.js" "$scratch/test/"
node "$here/make_cases.js" "$tool" "$here/../../examples" "$scratch/test/cases.json" 300

node "$here/serve.js" "$page_dir" "$scratch/test" "$scratch/report.json" "$scratch/port" &
server=$!
for _ in $(seq 100); do [ -s "$scratch/port" ] && break; sleep 0.1; done
url="http://127.0.0.1:$(cat "$scratch/port")"

chrome_flags=(--headless --no-sandbox --disable-gpu --no-first-run --disable-extensions
              --user-data-dir="$scratch/profile")
"$browser" "${chrome_flags[@]}" "$url/test/harness.html" >"$scratch/chrome.log" 2>&1 &
chrome=$!
for _ in $(seq 1200); do [ -s "$scratch/report.json" ] && break; sleep 0.1; done
kill "$chrome" 2>/dev/null || true
wait "$chrome" 2>/dev/null || true
chrome=""
if [ ! -s "$scratch/report.json" ]; then
  tail -n 20 "$scratch/chrome.log"
  echo "the page check sent no report within 120 s"
  exit 1
fi
node -e '
  const report = JSON.parse(require("fs").readFileSync(process.argv[1], "utf8"));
  for (const failure of report.failures) console.log("FAILED: " + failure);
  const t = report.timings;
  console.log(report.checks + " checks, " + report.failures.length + " failed");
  if (t.random_ms !== undefined) {
    console.log("page loaded in " + Math.round(t.load_ms) + " ms; a textbook example decided in " +
                t.textbook_decide_ms.toFixed(1) + " ms; " + t.random_inputs +
                " random inputs in " + Math.round(t.random_ms) + " ms");
  }
  process.exit(report.failures.length === 0 && report.checks > 0 ? 0 : 1);
' "$scratch/report.json"

# The screenshot: the page as a shared link opens it, once it has decided.
example=$(node -e 'process.stdout.write(encodeURIComponent(require("fs").readFileSync(process.argv[1], "utf8")))' \
  "$here/../../examples/three_way_split_needs_second_pass.txt")
rm -rf "$scratch/profile"/*
"$browser" "${chrome_flags[@]}" --hide-scrollbars --window-size=900,1700 \
  --virtual-time-budget=10000 --screenshot="$screenshot" "$url/index.html#input=$example" \
  >"$scratch/chrome.log" 2>&1 || { tail -n 20 "$scratch/chrome.log"; exit 1; }
[ -s "$screenshot" ] || { echo "no screenshot was taken"; exit 1; }
echo "screenshot: $screenshot"
