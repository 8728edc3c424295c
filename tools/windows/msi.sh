#!/usr/bin/env bash
# Makes the Windows installer from the Windows zip, so that both hold the same files: it lists
# the zip's contents as components of packaging/windows/velmar-writer.wxs and builds the MSI with
# wixl, then signs it when a certificate is given (tools/windows/sign.sh).
# Usage: tools/windows/msi.sh ZIP VERSION OUT.msi
set -euo pipefail
zip="$(realpath "$1")" version="$2" out="$(realpath -m "$3")"
root="$(cd "$(dirname "$0")/../.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

(cd "$work" && cmake -E tar xf "$zip")
source_dir="$(echo "$work"/velmar-writer-*-win64)"
[ -d "$source_dir" ] || { echo "msi.sh: $zip holds no velmar-writer-*-win64 folder" >&2; exit 1; }

# One component per folder; per-user components keep their key path in HKCU, and each folder is
# removed again on uninstall once it is empty.
emit_folder() { # RELATIVE_PATH INDENT
    local rel="$1" pad="$2" id name path
    id="${rel:-root}"
    id="${id//[^A-Za-z0-9_.]/_}"
    echo "$pad<Component Id=\"c_$id\" Guid=\"*\" Win64=\"yes\">"
    echo "$pad  <RegistryValue Root=\"HKCU\" Key=\"Software\\Velmar\\velmar-writer\\Files\"" \
        "Name=\"${rel:-.}\" Type=\"integer\" Value=\"1\" KeyPath=\"yes\"/>"
    echo "$pad  <RemoveFolder Id=\"r_$id\" On=\"uninstall\"/>"
    while read -r name; do
        path="${rel:+$rel/}$name"
        echo "$pad  <File Id=\"f_${path//[^A-Za-z0-9_.]/_}\" Source=\"$path\" Name=\"$name\"/>"
    done < <(find "$source_dir/$rel" -mindepth 1 -maxdepth 1 -type f -printf '%P\n' | sort)
    echo "$pad</Component>"
    while read -r name; do
        path="${rel:+$rel/}$name"
        echo "$pad<Directory Id=\"d_${path//[^A-Za-z0-9_.]/_}\" Name=\"$name\">"
        emit_folder "$path" "$pad  "
        echo "$pad</Directory>"
    done < <(find "$source_dir/$rel" -mindepth 1 -maxdepth 1 -type d -printf '%P\n' | sort)
}
{
    echo '<?xml version="1.0" encoding="utf-8"?>'
    echo '<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi"><Fragment>'
    echo '<DirectoryRef Id="INSTALLDIR">'
    emit_folder "" ""
    echo '</DirectoryRef>'
    echo '<ComponentGroup Id="ProgramFiles">'
    sed -n 's/^ *<Component Id="\([^"]*\)".*/<ComponentRef Id="\1"\/>/p' <(emit_folder "" "")
    echo '</ComponentGroup>'
    echo '</Fragment></Wix>'
} >"$work/files.wxs"

# The same version always gets the same ProductCode; another version gets another.
product_code="$(python3 -c 'import sys, uuid
print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' \
    6E7CCDA6-C75F-4890-8CD0-4C407622B7EF "$version")"
(cd "$source_dir" && wixl -a x64 -o "$work/out.msi" -D Version="$version" \
    -D ProductCode="$product_code" \
    "$root/packaging/windows/velmar-writer.wxs" "$work/files.wxs")

# wixl has no element for environment variables: the PATH entry goes in with plain SQL. "=-"
# sets the variable on install and takes the part it added away on uninstall; "[~];" appends.
msibuild "$work/out.msi" -q "CREATE TABLE \`Environment\` (\`Environment\` CHAR(72) NOT NULL,
    \`Name\` CHAR(255) NOT NULL LOCALIZABLE, \`Value\` CHAR(255) LOCALIZABLE,
    \`Component_\` CHAR(72) NOT NULL PRIMARY KEY \`Environment\`)" \
    -q "INSERT INTO \`Environment\` (\`Environment\`, \`Name\`, \`Value\`, \`Component_\`)
    VALUES ('UserPath', '=-Path', '[~];[INSTALLDIR]', 'UserPath')" \
    -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`)
    VALUES ('RemoveEnvironmentStrings', 3300)" \
    -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`)
    VALUES ('WriteEnvironmentStrings', 5200)"

"$root/tools/windows/sign.sh" "$work/out.msi"
mv "$work/out.msi" "$out"
echo "$out: $(du -h "$out" | cut -f1)"
