# shellcheck shell=bash
# shellcheck disable=SC2154 # work, out and last_exit come from kvxctl_tour.sh and its helpers
# What only the real platform shows: Wine's spooler and driver directory, a
# set-up from a bare machine and the way back, with placeholder driver files.

echo "# The native kvxctl's options, named as such; a --dll that is not the library."
expect 2 '--windows is available only in the native kvxctl' -- --windows win95 platform
expect 2 '--network is available only in the native kvxctl' -- platform --network tests/data/test_network.txt
expect 4 'kvxctl.exe is not KVX_32.dll: it has no export named GetPlatformFrom32' -- --dll "$(windows_path "$bin/kvxctl.exe")" platform
echo "notes, not a library" >"$work/notes.txt"
expect 4 'notes.txt is not a library' -- --dll "$(windows_path "$work/notes.txt")" platform
expect_json 0 'd["dll_path"].lower().endswith("\\kvx_32.dll") and d["dll_version"] == d["kvxctl_version"]' -- --version
expect 4 '^kvxctl  *[0-9.]*$'         -- --dll 'C:\nope\KVX_32.dll' --version
shows 'cannot load C:'

run 0 -- platform
run 0 -- driver-dir
echo "# A library that cannot be loaded: exit 4 and the reason, for status as for every command."
expect 4 'cannot load C:\\nope\\KVX_32.dll' -- --dll 'C:\nope\KVX_32.dll' --json status

echo "# Not ready: the driver files are missing, nothing is registered."
expect 3 'NOT READY' -- status
run 3 -- install-driver
[ "$(grep -c 'missing driver file' "$out")" = "$(sort -u "$out" | grep -c 'missing driver file')" ] ||
    fails "a missing file was named twice"

echo "# The tour's folder of labelled placeholder files where the driver files would come from."
files=$work/files
mkdir -p "$files/Driver files" "$files/with a folder"
for name in $(driver_files name); do
    echo "PLACEHOLDER created by the kvxctl tour - not a real driver file" >"$files/Driver files/$name"
    mkdir "$files/with a folder/$name"
done
from=$(windows_path "$files/Driver files")
expect 7 'does not exist' -- install-driver --from "$from\\none here"
expect 7 'is a folder, not a driver file' -- install-driver --from "$(windows_path "$files/with a folder")"
expect 1 'at most 504 characters' -- install-printer "$(printf 'P%.0s' {1..600})" --from "$from"
run 3 -- status

expect 0 '^copied '                   -- install-driver --from "$from"
expect 0 '^unchanged '                -- --from "$from" install-driver
run 0 -- remove-driver
run 1 -- remove-driver
echo "# Wine's connect dialog hands back no printer, but the driver goes in first: exit 8."
echo "# Without a display no window can appear, and kvxctl says so; the shell's browser"
echo "# then closes at once too (with a display it needs someone to answer it)."
expect 8 'sizing call  0 (KVX_DIALOG_NOTHING_CHOSEN)' -- connect-dialog
if [ -z "${DISPLAY:-}" ]; then
    shows 'nothing was chosen: no window could appear'
    expect 8 'nothing was chosen: no window could appear' -- browse-dialog
else
    shows 'kvxctl: nothing was chosen$'
fi
run 0 -- remove-driver
echo "# browse-dialog needs someone to answer it: see scripts/printer_browser_screenshot.sh."

echo "# Back to a machine without the driver files: install-printer --from places them."
remove_driver_files
run 3 -- status
expect 3 'missing driver file' -- install-printer LPT1:
echo "# A printer on LPT1: (installing it installs the driver again first)."
expect 0 '^copied '                   -- install-printer LPT1: --from "$from"
printer=$(sed -n 's/^added printer "\(.*\)" on .*/\1/p' "$out")
printer=${printer:-KVX_50 LPT1:}
expect 0 '^ready$'                    -- status
run 0 -- driver-name "$printer"
run 0 -- ports
run 0 -- whoami

echo "# Each command's --json output is one JSON document."
expect_json 0 'd["ready"] and d["exit_code"] == 0 and all(f["present"] for f in d["files"]) and d["printers"]' -- status
json_holds 'd["driver"]["environment"] in d["driver"]["registered_under"]'
if [ -n "${KVX_WINE:-}" ]; then
    # The 64-bit build on Windows NT: the driver is served from "Windows x64".
    json_holds 'd["platform"]["platform_code"] not in (4, 8) or (d["driver"]["environment"] == "Windows x64" and d["driver_directory"].lower().endswith("\\x64"))'
fi
expect_json 0 'd["driver_directory"]' -- driver-dir
expect_json 0 'd["computer"]'         -- whoami
expect_json 0 'd["driver_data_name"] in ("KVX", "KVX_50")' -- driver-name "$printer"
expect_json 0 'd["installed"] and all(f["action"] == "unchanged" for f in d["files"])' -- install-driver --from "$from"

echo "# The way back. Wine's spooler removes a driver that a printer still uses, so"
echo "# kvxctl lists the printers of the driver first, names them and refuses."
expect_refused 1 "printer \"$printer\" on LPT1: still uses the driver" -- remove-driver
shows 'so kvxctl did not ask the spooler'
expect 0 '^ready$'                    -- status
echo "# A driver file that cannot be removed (read-only) stops uninstall --files once the"
echo "# printer and the driver are gone; it names what is still in place, and a second run"
echo "# finishes the job."
locked=$(unix_path "$(driver_files path | head -n 1)")
chmod a-w "$locked"
run 7 -- uninstall --files
chmod u+w "$locked"
shows "^removed printer \"$printer\""
shows '^removed the driver'
shows 'ERROR_ACCESS_DENIED'
shows 'still in place: '
expect 0 '^removed C:'                -- uninstall --files
echo "# As on a bare machine."
expect 3 'NOT REGISTERED'             -- status
shows 'none uses the driver'
expect 0 '^nothing to remove'         -- uninstall --files
expect_json 0 'd["nothing_to_remove"] and not d["driver_removed"] and all(f["action"] == "absent" for f in d["files"])' -- uninstall --files
echo "# Set up again. remove-driver --force asks the spooler all the same: Wine's removes"
echo "# the driver, and kvxctl names the printer left without it; uninstall then removes"
echo "# the printer and the files."
run 0 -- install-printer LPT1: --from "$from"
run "0 1" -- remove-driver --force
if [ "$last_exit" = 0 ]; then
    shows 'still names it: the spooler removed the driver all the same'
else
    shows 'ERROR_PRINTER_DRIVER_IN_USE'
fi
expect_json 0 'len(d["printers"]) == 1 and all(f["action"] == "removed" for f in d["files"])' -- uninstall --files
expect 3 'none uses the driver'       -- status
