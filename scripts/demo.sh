#!/usr/bin/env bash
# The offline demo: starts the sandbox (a local stand-in for the account service and the
# webmaster platform), writes its [Endpoints] section into a demo settings file in a fresh
# temporary directory and starts Brevink against it. Closing Brevink stops the sandbox.
# Log in as "demo" / "secret" (or "captcha" / "secret" to see a captcha round).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
for program in brevink brevink-sandbox; do
    if [ ! -x "$build_dir/$program" ]; then
        echo "$build_dir/$program is missing: run bash scripts/build.sh first" >&2
        exit 1
    fi
done

demo_dir=$(mktemp -d "${TMPDIR:-/tmp}/brevink-demo-XXXXXX")
sandbox_pid=
cleanup() {
    if [ -n "$sandbox_pid" ]; then
        kill "$sandbox_pid" 2>/dev/null || true
        wait "$sandbox_pid" 2>/dev/null || true
    fi
    rm -rf "$demo_dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

"$build_dir/brevink-sandbox" >"$demo_dir/sandbox.out" 2>"$demo_dir/sandbox.err" &
sandbox_pid=$!
for _ in $(seq 1 200); do
    grep -q '^Ready=1' "$demo_dir/sandbox.out" 2>/dev/null && break
    if ! kill -0 "$sandbox_pid" 2>/dev/null; then
        cat "$demo_dir/sandbox.err" >&2
        echo "the sandbox did not start" >&2
        exit 1
    fi
    sleep 0.1
done
grep -q '^Ready=1' "$demo_dir/sandbox.out" || { echo "the sandbox did not get ready" >&2; exit 1; }

# The account and password boxes start filled in (Edit1003 and Edit1005 are their keys).
settings="$demo_dir/配置.ini"
{
    printf '[Brevink]\r\nEdit1003=demo\r\nEdit1005=secret\r\n'
    sed -n '/^\[Endpoints\]/,/^$/p' "$demo_dir/sandbox.out" | sed '/^$/d; s/$/\r/'
} >"$settings"

echo "Sandbox ready; settings: $settings"
echo "Accounts: demo / secret (logs in at once), captcha / secret (asks for a captcha)."
"$build_dir/brevink" --settings "$settings"
