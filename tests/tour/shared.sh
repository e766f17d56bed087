# shellcheck shell=bash
# shellcheck disable=SC2154 # net and root come from kvxctl_tour.sh
# What both builds answer alike: the command line's refusals, the ports, the
# platform's form, bad printer names, and the network of tests/data/test_network.txt
# (natively through --network, under Wine served by the test network provider).

echo "# The command line: usage, help and options that exclude each other."
expect 2 'usage: kvxctl driver-name PRINTER' -- driver-name
expect 2 'usage: kvxctl browse-dialog' -- browse-dialog --colour red
expect 2 'usage: kvxctl browse'       -- browse --frobnicate
expect 2 'unknown command'            -- frobnicate
expect 0 'exit codes'                 -- --help
expect 0 'exit codes'                 -- help
expect 2 '--raw and --json exclude each other' -- --json browse --raw
expect 2 '--json is not available for configure-port' -- --json configure-port LPT1:
echo "# Each fault is named on the first line, the command's usage follows."
expect 2 'unknown option --jsno'      -- --jsno platform
shows 'usage: kvxctl platform'
expect 2 'unknown option --jsno'      -- platform --jsno
expect 2 'unknown option --jsno'      -- --jsno
expect 2 'ports does not take --raw'  -- ports --raw
expect 2 'status does not take --from' -- status --from here
expect 2 '--force requires --from'    -- install-driver --force
expect 2 '--force requires --from'    -- install-printer LPT1: --force
expect 2 '--from given twice'         -- install-driver --from here --from there
expect 2 '--title given twice'        -- browse-dialog --title One --title=Two
expect 2 '--version takes no command' -- --version platform
echo "# A printer name that begins with '-' follows --."
expect 2 'follows --: kvxctl remove-printer -- -Odd' -- remove-printer -Odd
expect_refused 1 'no printer is named "-Odd"' -- remove-printer -- -Odd
echo "# kvxctl's version and the library's, from one source (res/version.h)."
version=$(sed -n 's/^#define KVX_VERSION_\(MAJOR\|MINOR\|BUILD\|REVISION\) //p' "$root/res/version.h" | paste -sd.)
expect 0 "^kvxctl  *$version\$"     -- --version
shows "^KVX_32.dll  *$version "
expect_json 0 "d['kvxctl_version'] == d['dll_version'] == '$version'" -- --version
echo "# Arguments as the platform decodes them: a provider name beyond ASCII."
expect_json 0 'd["provider"] == "K\u00e9 Network" and d["entries"] == []' -- "${net[@]}" browse --provider 'Ké Network'

echo "# Ports and platform."
expect 0 'LPT3:'                      -- ports
expect_json 0 '"LPT1:" in d["ports"]' -- ports
expect_json 0 'd["platform_code"] in (2, 4, 8, 16)' -- platform

echo "# Printer names that name no printer: one message each."
expect_refused 1 'no printer is named "Nobody"' -- remove-printer Nobody
expect_refused 1 'an empty name names no printer' -- remove-printer ''
expect_refused 1 '"PPPP.*\.\.\." (600 characters)' -- remove-printer "$(printf 'P%.0s' {1..600})"

echo "# The network: providers, a provider's domains, a domain's servers, a server's shares."
expect 0 'network  *Kvx Network'      -- "${net[@]}" browse
shows 'network  *Other Network'
expect 0 'domain  *SALES'             -- "${net[@]}" browse --provider "Kvx Network"
shows 'domain  *CORP  *Kvx Network'
expect 0 'server  *\\\\PRN01'         -- "${net[@]}" browse --provider "Kvx Network" SALES
shows 'No Provider'
expect 0 'share  *\\\\PRN01\\Thermal' -- "${net[@]}" browse --provider "Kvx Network" SALES '\\PRN01'
expect 0 '^2000 entries'              -- "${net[@]}" browse --provider "Kvx Network" CORP '\\BIGSRV'
expect 0 '5c 5c 50 52 4e 30 31'       -- "${net[@]}" browse --raw --provider "Kvx Network" SALES '\\PRN01'
expect 0 '^0 entries'                 -- "${net[@]}" browse --provider "Other Network"
expect_json 0 '"\\\\PRN01\\Thermal" in [e["remote_name"] for e in d["entries"]] and d["network_path"] == "0005SALES0007\\\\PRN01" and not d["provider_found"]' -- browse "${net[@]}" --provider "Kvx Network" SALES '\\PRN01'
echo "# Names without --provider: the first provider under which each name lies in the"
echo "# container above it answers, and says so; names no provider has are refused, also a"
echo "# server named without its domain, which GetPortsSelect alone would still list."
expect 0 'found under the provider "Kvx Network", the first that has SALES > \\\\PRN01' -- "${net[@]}" browse SALES '\\PRN01'
shows 'share  *\\\\PRN01\\Thermal'
expect_json 0 'd["provider"] == "Kvx Network" and d["provider_found"] and "\\\\PRN01\\Thermal" in [e["remote_name"] for e in d["entries"]]' -- "${net[@]}" browse SALES '\\PRN01'
expect_refused 1 'no network provider has SALES > \\\\NOPE' -- "${net[@]}" browse SALES '\\NOPE'
shows 'Kvx Network: no \\\\NOPE in SALES'
expect_refused 1 'Kvx Network: no \\\\PRN01 at its top level' -- "${net[@]}" browse '\\PRN01'
