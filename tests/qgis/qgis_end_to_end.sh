#!/usr/bin/env bash
# The plugin in the real QGIS under Xvfb, with a fresh profile that loads it
# from the build: its button opens the add-in's window, a panel of QGIS's
# main window listed under View > Panels, whose "Off" and "On" switch every
# vector layer in the Layers panel and on the canvas; two sets saved there and
# kept as map themes from the set list's menu are themes a print layout's map
# can follow, and the same menu's Export Layout for Each Set writes one file
# per set; unloaded as the Plugin
# Manager does, it leaves no panel, toolbar or menu entry behind, and loaded
# again it has one of each.
# The profile asks nothing, wherever the data lies: QGIS counts layers whose
# files lie under the temporary folder as temporary and would ask on exit
# whether to save them. A run that does not end within QUARNEL_QGIS_WAIT
# seconds (120) fails at once with QGIS's log and a screenshot of its
# display in OUTPUT_DIR (by default a new folder, named in the output).
# Usage: qgis_end_to_end.sh PLUGIN_DIR SAMPLE_DATA_DIR [OUTPUT_DIR]
set -euo pipefail
plugin_dir=$1
data=$2
out=${3:-}
wait_limit=${QUARNEL_QGIS_WAIT:-120}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
xvfb_pid=
qgis_pid=
cleanup() {
    if [ -n "$qgis_pid" ]; then kill -9 -- "-$qgis_pid" 2>/dev/null || true; fi
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

export HOME=$work/home XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
export DBUS_SESSION_BUS_ADDRESS=disabled: QUARNEL_RESULT=$work/result.json
export QUARNEL_PLUGIN=$plugin_dir/libquarnelvisibilityplugin.so QUARNEL_EXPORT=$work/export
mkdir -p "$HOME" "$work/profiles/profiles/default/QGIS" "$QUARNEL_EXPORT"
cat > "$work/profiles/profiles/default/QGIS/QGIS3.ini" <<INI
[plugins]
searchPathsForPlugins=$plugin_dir

[Plugins]
libquarnelvisibilityplugin=true

[qgis]
checkVersion=false
showTips=false

[app]
askToSaveMemoryLayers=false

[Projections]
showDatumTransformDialog=false
INI

QT_QPA_PLATFORM=offscreen /usr/bin/python3 "$here/make_project.py" "$data" "$work/city.qgs" 2>/dev/null
unset QT_QPA_PLATFORM

# A display of its own, whose number Xvfb writes once it is ready.
Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
done
[ -s "$work/display" ] || { echo "Xvfb did not start:"; cat "$work/xvfb.log"; exit 1; }
display=:$(head -1 "$work/display")

# QGIS in a process group of its own, so that the watchdog ends all of it.
DISPLAY=$display setsid qgis --nologo --noversioncheck --profiles-path "$work/profiles" \
    --code "$here/drive_plugin.py" "$work/city.qgs" > "$work/qgis.log" 2>&1 &
qgis_pid=$!
waited=0
while kill -0 "$qgis_pid" 2>/dev/null && [ "$waited" -lt "$wait_limit" ]; do
    sleep 1
    waited=$((waited + 1))
done
if kill -0 "$qgis_pid" 2>/dev/null; then
    [ -n "$out" ] || out=$(mktemp -d "${TMPDIR:-/tmp}/qgis_end_to_end.XXXXXX")
    mkdir -p "$out"
    import -display "$display" -window root "$out/qgis-screen.png" || echo "no screenshot of $display"
    cp "$work/qgis.log" "$out/qgis.log"
    kill -9 -- "-$qgis_pid" 2>/dev/null || true
    qgis_pid=
    echo "QGIS did not finish within ${wait_limit} s; its screen: $out/qgis-screen.png; its log ($out/qgis.log):"
    cat "$work/qgis.log"
    exit 1
fi
status=0
wait "$qgis_pid" || status=$?
qgis_pid=
if [ "$status" -ne 0 ]; then
    echo "QGIS failed (exit status $status):"
    cat "$work/qgis.log"
    exit 1
fi

/usr/bin/python3 - "$QUARNEL_RESULT" <<'PY'
import json, sys
result = json.load(open(sys.argv[1]))
print(json.dumps(result, indent=1))
vectors = ["buildings", "parks", "rivers", "roads"]
everything = sorted(vectors + ["elevation"])
algorithms = ["exportlayoutforeachset", "restoreset", "saveset"]
expected = {
    "at start": {"checked": everything, "drawn": everything},
    "Off": {"pressed": True, "checked": ["elevation"], "drawn": ["elevation"]},
    "On": {"pressed": True, "checked": everything, "drawn": everything},
    "themes": {"names": ["Bright", "Dark"], "Dark shows": ["elevation"],
               "layout map following Dark draws": ["elevation"]},
    "panel": {"panels": 1, "QGIS dock widget": True, "shown": [True], "floating": [True],
              "under View > Panels": 1, "toolbars": 1, "Plugins menu entries": 1,
              "export entries": 1, "Processing algorithms": algorithms},
    "unloaded": {"panels": 0, "QGIS dock widget": True, "shown": [], "floating": [],
                 "under View > Panels": 0, "toolbars": 0, "Plugins menu entries": 0,
                 "export entries": 0, "Processing algorithms": []},
    "reloaded": {"panels": 1, "QGIS dock widget": True, "shown": [True], "floating": [True],
                 "under View > Panels": 1, "toolbars": 1, "Plugins menu entries": 1,
                 "export entries": 1, "Processing algorithms": algorithms},
}
faults = [f"{step}: {result.get(step)} instead of {want}" for step, want in expected.items() if result.get(step) != want]
faults += result.get("faults", [])
exported = result.get("export", {}).get("files")
if exported != ["Bright.svg", "Dark.svg"]:
    faults.append(f"Export Layout for Each Set wrote {exported} instead of one file per set: {result.get('export')}")
if len(result.get("button", [])) != 1:
    faults.append(f"the toolbar holds {result.get('button')} instead of the one button")
for fault in faults:
    print(fault)
sys.exit(1 if faults else 0)
PY
