# shellcheck shell=bash
# shellcheck disable=SC2154 # work and network come from kvxctl_tour.sh
# What only the simulated machine shows: other Windows releases and a 64-bit
# process, driver files placed from folders that lack one, hold a folder or
# cannot be written, renames that fail, a spooler that refuses, queued jobs, no
# administrator rights, and the drivers and printers kept from one run to the next
# in a --driver-store folder.

# Driver files as an administrator has them: a folder whose name holds spaces and
# a character of the ANSI code page beyond ASCII (Windows-1252 0xFC), and one per
# Windows 4.x.
from="$work/Driver files f"$'\xfc''r labels'
mkdir -p "$from" "$work/win4x" "$work/partial" "$work/with-folder/KVX_50.PPD" "$work/other"
for file in KVX_50.DLL KVX_50.PPD KVX_50UI.DLL; do
    echo "placeholder $file" >"$from/$file"
    [ -d "$work/with-folder/$file" ] || echo "placeholder $file" >"$work/with-folder/$file"
    echo "another $file" >"$work/other/$file"
done
cp "$from/KVX_50.DLL" "$from/KVX_50.PPD" "$work/partial/"
echo "placeholder KVX.DRV" >"$work/win4x/KVX.DRV"
mkdir "$work/nt3" && for file in RASDD.DLL KVX.DLL RASDDUI.DLL; do echo "$file" >"$work/nt3/$file"; done
store=$work/store
w32x86=$store/windows/system32/spool/drivers/w32x86

echo "# The native kvxctl's command line: the Windows kvxctl's option, options given twice."
expect 2 '--dll is available only in kvxctl.exe' -- --dll KVX_32.dll platform
expect 2 '--windows given twice'      -- --windows win95 --windows=nt40 platform
expect 0 'platform code  8'           -- --driver-file-in-use KVX_50.DLL --driver-file-in-use KVX_50.PPD platform
expect_json 0 'd["dll_path"] is None' -- --version

expect 0 'platform code  8'           -- platform
expect 0 'platform code  2'           -- --windows win95 platform
expect 0 'platform code  4'           -- --windows nt351 platform
expect 0 'w32x86'                     -- driver-dir
expect 3 'missing driver file .*KVX_50UI.DLL' -- install-driver
expect 0 'installed driver "Printer KVX 5.0"' -- --with-driver-files install-driver
expect 1 'ERROR_UNKNOWN_PRINTER_DRIVER' -- remove-driver
expect 0 'added printer "KVX_50 LPT1:" on LPT1:' -- --with-driver-files install-printer LPT1:
expect 0 'added printer "KVX LPT1:" on LPT1:' -- --windows nt351 --with-driver-files install-printer LPT1:
expect 3 'missing driver file .*KVX_50UI.DLL' -- install-printer LPT1:
expect 1 'refused a printer on LPT9:'  -- --with-driver-files install-printer LPT9:
expect 1 'cannot open the printer "KVX_50 LPT1:"' -- driver-name 'KVX_50 LPT1:'
expect 0 'configured LPT1:'           -- configure-port LPT1:
expect 1 'ERROR_UNKNOWN_PORT'         -- configure-port LPT9:
expect 0 'computer  LABELHOST'        -- whoami
expect 0 'path         \\\\SRV\\Thermal' -- --browse-path '\\SRV\Thermal' browse-dialog --title 'Pick one'
expect 0 'fetch call   -99 (KVX_DIALOG_COPIED)' -- --browse-printer 'Thermal on SRV' browse-dialog
echo "# A dialog closed with nothing chosen: exit 8. The simulation can show windows, so"
echo "# kvxctl gives no hint that none could appear."
expect 8 'sizing call  0 (KVX_DIALOG_NOTHING_CHOSEN)' -- browse-dialog
expect 8 'kvxctl: nothing was chosen$' -- --browse-cancel browse-dialog
! grep -q 'no window could appear' "$out" || fails "a cancelled dialog was blamed on a missing display"
expect 1 'fetch call   0 (KVX_DIALOG_NOTHING_CHOSEN)' -- --browse-path '' browse-dialog
expect 0 'printer      \\\\LABELSRV\\Thermal' -- --connect-printer '\\LABELSRV\Thermal' connect-dialog
expect 0 'sizing call  18 (size to fetch)' -- --connect-printer '\\LABELSRV\Thermal' connect-dialog
expect 8 'sizing call  0 (KVX_DIALOG_NOTHING_CHOSEN)' -- connect-dialog
shows 'kvxctl: nothing was chosen$'
expect 0 '^0 entries'                 -- browse
expect 2 'cannot read the network tree' -- --network /nonexistent browse
expect 2 'network tree .*: it is a folder' -- --network "$work" browse
expect 2 'unknown Windows release'    -- --windows os2 platform

# Placing the driver files (install-driver/install-printer --from FOLDER [--force]).
expect 3 'missing driver file .*KVX_50UI.DLL' -- install-driver --from "$work/partial" --driver-store "$store"
nothing_left "$store" "a folder lacking a file"
# A store named for the first time is made (the folders above it too) and announced, once.
shows "kvxctl: created the driver store $store\$"
expect 0 "created the driver store $work/new/store\$" -- --driver-store "$work/new/store" platform
[ -d "$work/new/store/windows/system32/spool/drivers/w32x86" ] || fails "the new driver store was not made"
run 0 -- --driver-store "$work/new/store" platform
! grep -q 'created the driver store' "$out" || fails "a driver store that exists was announced as created"
expect_once 3 'missing driver file'   -- --windows win98 install-driver
expect 7 'folder .*nonexistent does not exist' -- install-driver --from "$work/nonexistent"
expect 7 'is a file, not a folder'    -- install-driver --from "$from/KVX_50.DLL"
expect 7 'KVX_50.PPD is a folder, not a driver file' -- install-driver --from "$work/with-folder"
expect 7 'the driver directory is read-only' -- --read-only-driver-dir install-driver --from "$from" --driver-store "$store"
nothing_left "$store" "a read-only driver directory"
expect 1 'at most 504 characters; this one has 600' -- install-printer "$(printf 'P%.0s' {1..600})" --from "$from" --driver-store "$store"
nothing_left "$store" "a port name of 600 characters"
expect 0 'copied KVX_50UI.DLL to C:.*w32x86.KVX_50UI.DLL' -- install-driver --from "$from" --driver-store "$store"
expect 0 'unchanged .*KVX_50.PPD'     -- --driver-store "$store" install-driver --from "$from"
expect 7 'KVX_50.DLL differs from the one in .*other (--force replaces it)' -- install-driver --from "$work/other" --driver-store "$store"
grep -q placeholder "$w32x86/KVX_50.DLL" || fails "a refused copy changed KVX_50.DLL"
expect 0 'replaced C:.*w32x86.KVX_50.DLL with .*other/KVX_50.DLL$' -- install-driver --force --from "$work/other" --driver-store "$store"
mkdir "$w32x86/KVX_50UI.DLL.kvxctl-new.d" && rm -f "$w32x86/KVX_50UI.DLL" && mkdir "$w32x86/KVX_50UI.DLL"
expect 7 'KVX_50UI.DLL is a folder: move it out' -- install-driver --from "$from" --driver-store "$store" --force
[ -z "$(find "$store" -name '*.kvxctl-new')" ] || fails "a staged copy was left behind"
expect 0 'added printer "KVX LPT1:" on LPT1:' -- install-printer --from "$work/nt3" LPT1: --windows nt351
expect_once 0 'copied KVX.DRV' -- install-printer LPT1: --from "$work/win4x" --windows win98
# Options in any order: global ones after the command, the command's own before it.
expect 0 'installed driver "Printer KVX 5.0" from C:.*win40' -- --with-driver-files install-driver --windows win98
expect 0 'copied KVX_50.DLL'          -- --from "$from" install-driver
expect 0 'platform code  4'           -- platform --windows nt351
expect 3 'present  C:.*KVX_50.DLL'   -- status --driver-store "$store" --windows nt40

# Windows 95, 98 and Me have no MoveFileEx: a file is replaced by deleting the old
# one and renaming the new copy. A rename that fails after the delete keeps the new
# copy under its staged name and names it; running the command again finishes.
store9x=$work/store9x win40=$work/store9x/windows/system32/spool/drivers/win40
mkdir "$work/win4x-other" && echo "another KVX.DRV" >"$work/win4x-other/KVX.DRV"
expect 0 'copied KVX.DRV'             -- --windows win98 install-driver --from "$work/win4x" --driver-store "$store9x"
expect 0 'replaced C:.*win40.KVX.DRV with .*win4x-other/KVX.DRV$' -- --windows win95 install-driver --force --from "$work/win4x-other" --driver-store "$store9x"
grep -q another "$win40/KVX.DRV" || fails "KVX.DRV was not replaced"
expect 7 'its new copy is kept as C:.*win40.KVX.DRV.kvxctl-new: run the command again' -- --windows win98 --driver-dir-renames-fail install-driver --force --from "$work/win4x" --driver-store "$store9x"
[ ! -e "$win40/KVX.DRV" ] && grep -q placeholder "$win40/KVX.DRV.kvxctl-new" ||
    fails "the new copy of KVX.DRV is not kept as KVX.DRV.kvxctl-new"
expect 3 'MISSING  C:.*win40.KVX.DRV' -- --windows win98 status --driver-store "$store9x"
expect 0 'copied KVX.DRV'             -- --windows win98 install-driver --force --from "$work/win4x" --driver-store "$store9x"
[ "$(find "$store9x" -type f ! -name spooler-state.txt)" = "$win40/KVX.DRV" ] && grep -q placeholder "$win40/KVX.DRV" ||
    fails "the rerun did not put the new KVX.DRV in place alone"
# Where a file is replaced in one step, a failed rename changes nothing.
expect 0 'copied KVX_50.DLL'          -- install-driver --from "$from" --driver-store "$work/storent"
expect 7 'nothing was copied or installed' -- --driver-dir-renames-fail install-driver --force --from "$work/other" --driver-store "$work/storent"
[ "$(find "$work/storent" -type f ! -name spooler-state.txt | wc -l)" = 3 ] && ! grep -rq another "$work/storent" ||
    fails "a failed rename changed the driver directory"

# A 64-bit process on 64-bit Windows (the 64-bit build): the Windows NT 4 driver
# under "Windows x64", from its own directory, whatever NT version runs.
expect 0 'spool.drivers.x64$'         -- --x64 driver-dir
expect 0 'added printer "KVX_50 LPT1:" on LPT1:' -- --x64 --windows nt351 --with-driver-files install-printer LPT1:
expect 0 'copied KVX_50UI.DLL to C:.*x64.KVX_50UI.DLL' -- --x64 --windows nt351 install-printer LPT1: --from "$from"
expect 0 'added printer "KVX_50 LPT1:" on LPT1:' -- --x64 --windows win10 install-printer LPT1: --from "$from"
expect 0 'installed driver "Printer KVX 5.0" from C:.*win40' -- --x64 --windows win98 --with-driver-files install-driver
expect 5 'NOT REGISTERED (the library registers it under "Windows x64")' -- --x64 --with-driver-files status
expect_json 0 'd["environment"] == "Windows x64" and d["driver_directory"].endswith("\\x64")' -- --x64 --windows nt351 --with-driver-files install-driver

# status: the first thing missing decides the exit code.
expect 3 'next: kvxctl install-printer PORT --from FOLDER' -- status
expect 5 'NOT REGISTERED'             -- --with-driver-files status
expect 3 'MISSING  C:.*win40.KVX.DRV' -- status --windows win95

# One JSON document per command on standard output.
expect_json 3 'd["ready"] is False and d["exit_code"] == 3 and not any(f["present"] for f in d["files"])' -- status
expect_json 5 'd["driver"]["registered_under"] == [] and d["next"] == "kvxctl install-printer PORT"' -- --with-driver-files status
expect_json 0 'd["platform_code"] == 16 and d["major"] == 4' -- platform --windows win98
expect_json 0 'd["driver_directory"].endswith("\\w32x86")' -- driver-dir
expect_json 0 'd["computer"] == "LABELHOST"' -- whoami
expect_json 0 'd["installed"] and d["from"].endswith("f\u00fcr labels") and [f["action"] for f in d["files"]] == ["copied"] * 3' -- install-driver --from "$from"
expect_json 0 'd["printer"] == "KVX_50 LPT1:" and d["port"] == "LPT1:" and len(d["files"]) == 3' -- install-printer LPT1: --from "$from"
expect_json 0 'd["printer"] == "KVX_50 LPT1:" and "files" not in d' -- --with-driver-files install-printer LPT1:
expect_json 1 ''                       -- remove-driver

# Undoing a set-up. The simulated spooler's drivers and printers stay in the
# --driver-store folder from one run to the next, so the round trip is checked:
# install-printer, status ready, remove-driver refused naming the printer,
# uninstall --files, status as on a bare machine.
trip=(--driver-store "$work/trip")
spool=$work/trip/windows/system32/spool/drivers/w32x86
expect 0 'nothing to remove'          -- "${trip[@]}" uninstall --files
nothing_left "$work/trip" "uninstall on a bare machine"
expect 0 'added printer "KVX_50 LPT1:"' -- "${trip[@]}" install-printer LPT1: --from "$from"
expect 0 '^ready$'                    -- "${trip[@]}" status
expect_refused 1 'printer "KVX_50 LPT1:" on LPT1: still uses the driver "Printer KVX 5.0", so kvxctl did not ask' -- "${trip[@]}" remove-driver
expect 1 'ERROR_PRINTER_DRIVER_IN_USE' -- "${trip[@]}" remove-driver --force
expect_refused 1 'printer "KVX_50 LPT1:" on LPT1: still uses' -- "${trip[@]}" remove-driver --force
# Bad input: one message each, and nothing removed.
expect_refused 1 'no printer is named "Nobody"' -- "${trip[@]}" remove-printer Nobody
expect_refused 1 'an empty name names no printer' -- "${trip[@]}" remove-printer ''
expect_refused 1 '"PPPP.*\.\.\." (600 characters)' -- "${trip[@]}" remove-printer "$(printf 'P%.0s' {1..600})"
expect_refused 1 'uses the driver "Thermal on the server", not "Printer KVX 5.0"; nothing was removed (--force' -- "${trip[@]}" --connect-printer '\\LABELSRV\Thermal' remove-printer '\\labelsrv\thermal'
grep -q 'LABELSRV' "$work/trip/spooler-state.txt" || fails "a refused removal removed the printer"
expect_json 0 'd["removed"] and d["driver"] == "Thermal on the server"' -- "${trip[@]}" remove-printer --force '\\LABELSRV\Thermal'
expect_refused 1 '5 (ERROR_ACCESS_DENIED); removing a printer takes administrator rights' -- "${trip[@]}" --no-admin-rights remove-printer 'KVX_50 LPT1:'
expect_refused 1 'still in place: printer "KVX_50 LPT1:" on LPT1:, the driver "Printer KVX 5.0"' -- "${trip[@]}" --no-admin-rights uninstall
expect 0 '^ready$'                    -- "${trip[@]}" status
# A printer with jobs queued is only marked for deletion; the driver waits for it.
expect_json 0 'not d["removed"] and d["pending_deletion"] and d["queued_jobs"] == 2' -- "${trip[@]}" --queued-jobs 'KVX_50 LPT1:=2' remove-printer 'kvx_50 lpt1:'
expect_refused 1 'a printer marked for deletion still waits for its print jobs' -- "${trip[@]}" uninstall --files
expect 6 'none uses the driver'       -- "${trip[@]}" --queued-jobs 'KVX_50 LPT1:=0' status
expect 0 'added printer "KVX_50 LPT1:"' -- "${trip[@]}" install-printer LPT1:
# Printers without their files: status offers both ways.
mv "$spool/KVX_50.PPD" "$work/KVX_50.PPD"
expect 3 'or:   kvxctl uninstall'     -- "${trip[@]}" status
expect_json 3 'd["next"] == "kvxctl install-driver --from FOLDER" and d["undo"] == "kvxctl uninstall"' -- "${trip[@]}" status
mv "$work/KVX_50.PPD" "$spool/KVX_50.PPD"
# A driver file that is read-only, then one in use: each stops uninstall --files,
# which a later run finishes.
chmod a-w "$spool/KVX_50.PPD"
expect_refused 7 'cannot remove .*KVX_50.PPD: error 5 (ERROR_ACCESS_DENIED)' -- "${trip[@]}" uninstall --files
expect 3 'MISSING  C:.*KVX_50.DLL'    -- "${trip[@]}" status
[ -f "$spool/KVX_50.PPD" ] && [ -f "$spool/KVX_50UI.DLL" ] || fails "uninstall removed files it named as still in place"
chmod u+w "$spool/KVX_50.PPD"
expect 7 'removed C:.*KVX_50.PPD'     -- "${trip[@]}" --driver-file-in-use kvx_50ui.dll uninstall --files
expect_json 0 'not d["nothing_to_remove"] and not d["driver_removed"] and [f["action"] for f in d["files"]] == ["absent", "absent", "removed"]' -- "${trip[@]}" uninstall --files
expect 3 'next: kvxctl install-printer PORT --from FOLDER' -- "${trip[@]}" status
nothing_left "$work/trip" "uninstall --files"
expect_json 0 'd["nothing_to_remove"] and d["printers"] == [] and d["files"][0]["action"] == "absent"' -- "${trip[@]}" uninstall
# The whole way in one run each: printers, then the driver, then the files;
# without --files the files stay.
expect 0 'added printer "KVX_50 LPT2:"' -- "${trip[@]}" install-printer LPT2: --from "$from"
expect 0 'added printer "KVX_50 LPT1:"' -- "${trip[@]}" install-printer LPT1:
expect_json 0 '[p["name"] for p in d["printers"]] == ["KVX_50 LPT2:", "KVX_50 LPT1:"] and d["driver_removed"] and [f["reason"] for f in d["files"]] == ["--files not given"] * 3' -- "${trip[@]}" uninstall
expect 0 'removed C:.*KVX_50UI.DLL'   -- "${trip[@]}" uninstall --files
nothing_left "$work/trip" "uninstall --files"
expect 0 'added printer "KVX_50 LPT1:"' -- "${trip[@]}" install-printer LPT1: --from "$from"
expect 0 'driver files stay in'       -- "${trip[@]}" uninstall
expect 0 'removed C:.*KVX_50.DLL'     -- "${trip[@]}" uninstall --files
# Windows NT 3.51's set shares the system's raster driver files: those another
# driver names stay (a driver added to the saved spooler, as it would be there).
nt3=(--driver-store "$work/nt3store" --windows nt351)
expect 0 'added printer "KVX LPT1:"'  -- "${nt3[@]}" install-printer LPT1: --from "$work/nt3"
d='C:\windows\system32\spool\drivers\w32x86'
printf 'driver\tWindows NT x86\tRaster Other\t%s\\1\\RASDD.DLL\t%s\\1\\OTHER.DLL\t%s\\1\\RASDDUI.DLL\t1024\n' "$d" "$d" "$d" >>"$work/nt3store/spooler-state.txt"
expect 0 'kept C:.*RASDDUI.DLL (the driver "Raster Other" uses it)' -- "${nt3[@]}" uninstall --files
[ "$(cd "$work/nt3store" && find . -type f | sort | tr '\n' ' ')" = "./spooler-state.txt ./windows/system32/spool/drivers/w32x86/RASDD.DLL ./windows/system32/spool/drivers/w32x86/RASDDUI.DLL " ] ||
    { fails "uninstall --files on NT 3.51 removed other than KVX.DLL:"; find "$work/nt3store" -type f; }
