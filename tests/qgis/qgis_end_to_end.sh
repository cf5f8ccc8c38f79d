#!/usr/bin/env bash
# The plugin in the real QGIS under Xvfb, with a fresh profile that loads it
# from the build: its button opens the add-in's window, whose "Off" and "On"
# switch every vector layer in the Layers panel and on the canvas.
# Usage: qgis_end_to_end.sh PLUGIN_DIR SAMPLE_DATA_DIR
set -euo pipefail
plugin_dir=$1
data=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

export HOME=$work/home XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
export DBUS_SESSION_BUS_ADDRESS=disabled: QUARNEL_RESULT=$work/result.json
mkdir -p "$HOME" "$work/profiles/profiles/default/QGIS"
cat > "$work/profiles/profiles/default/QGIS/QGIS3.ini" <<INI
[plugins]
searchPathsForPlugins=$plugin_dir

[Plugins]
libquarnelvisibilityplugin=true

[qgis]
checkVersion=false
showTips=false

[Projections]
showDatumTransformDialog=false
INI

QT_QPA_PLATFORM=offscreen /usr/bin/python3 "$here/make_project.py" "$data" "$work/city.qgs" 2>/dev/null
unset QT_QPA_PLATFORM
timeout 120 xvfb-run -a -s "-screen 0 1280x900x24" qgis --nologo --noversioncheck \
    --profiles-path "$work/profiles" --code "$here/drive_plugin.py" "$work/city.qgs" > "$work/qgis.log" 2>&1 || {
    echo "QGIS failed:"; tail -20 "$work/qgis.log"; exit 1; }

/usr/bin/python3 - "$QUARNEL_RESULT" <<'PY'
import json, sys
result = json.load(open(sys.argv[1]))
print(json.dumps(result, indent=1))
vectors = ["buildings", "parks", "rivers", "roads"]
everything = sorted(vectors + ["elevation"])
expected = {
    "at start": {"checked": everything, "drawn": everything},
    "Off": {"pressed": True, "checked": ["elevation"], "drawn": ["elevation"]},
    "On": {"pressed": True, "checked": everything, "drawn": everything},
}
faults = [f"{step}: {result.get(step)} instead of {want}" for step, want in expected.items() if result.get(step) != want]
if len(result.get("button", [])) != 1:
    faults.append(f"the toolbar holds {result.get('button')} instead of the one button")
for fault in faults:
    print(fault)
sys.exit(1 if faults else 0)
PY
