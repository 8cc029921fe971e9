#!/bin/sh
# CheckInstalled.sh <prefix> <source tree> <version> <row>
#
# Runs the row <row>: a command in the tree that `cmake --install` made under <prefix>, whose
# output must be the one given. The real tools (readelf, pkg-config, gencat, man) read the
# tree as its users do. The launch rows run a program that does not exist through an
# installed qimmaster, or through a copy of the programs elsewhere: the shell's child takes
# message 274 from the catalog under its own installation (the directory above its bin),
# found from its own executable, before one that NLSPATH offers.
set -u
P=$1 S=$2 V=$3 ROW=$4
T=$(mktemp -d) || exit 1
trap 'rm -rf "$T"' EXIT
cd "$P" || exit 1

# row <name> <command> <output>
row() {
    [ "$1" = "$ROW" ] || return 0
    output=$(eval "$2") && [ "$output" = "$3" ] && exit 0
    printf 'row %s: %s\ngave:\n%s\nnot:\n%s\n' "$1" "$2" "$output" "$3"
    exit 1
}
# launch <root>: the failed launch through <root>/bin/qimmaster. copy <root>: the installed
# programs in <root>/bin, without a catalog. catalog <file> <text>: a catalog whose message
# 274 is "<text> %1 %2".
launch() { "$1"/bin/qimmaster -- /no/such/program; echo "status $?"; }
copy() { mkdir -p "$1/bin" && cp bin/qimshell bin/qimmaster "$1/bin"; }
catalog() { mkdir -p "${1%/*}" && printf '$set 1\n274 %s %%1 %%2\n' "$2" | gencat -o "$1" -; }
english='The load of program /no/such/program failed because the exec() function failed.  The error code is 2.
status 127'

row Programs 'ls -F bin' 'qimmaster*
qimshell*'
row Headers 'diff -r -x "*.cpp" -x CMakeLists.txt "$S/utilities" include/utilities && ls include' \
    utilities
row SharedLibrary 'readlink lib/libqimutil.so lib/libqimutil.so.1 &&
                   readelf -d lib/libqimutil.so.1.0 | grep -oE "soname: .*|R(UN)?PATH"' \
    'libqimutil.so.1
libqimutil.so.1.0
soname: [libqimutil.so.1]'
row Catalog 'gencat -o - msg/en_US/qimpex1.msg | cmp - msg/en_US/qimpex1.cat && ls msg/en_US' \
    'qimpex1.cat
qimpex1.msg'
row PkgConfig 'export PKG_CONFIG_PATH=lib/pkgconfig && echo $(pkg-config --cflags --libs qimutil) \
               $(pkg-config --modversion qimutil) $(pkg-config --static --libs qimutil)' \
    "-I$P/include -L$P/lib -lqimutil $V -L$P/lib -lqimutil -pthread"
row ManPages 'MANPATH="$P/share/man" man -w qimshell qimmaster' "$P/share/man/man1/qimshell.1
$P/share/man/man1/qimmaster.1"

row LaunchInstalledCatalogBeforeNlspath \
    'catalog "$T/n/qimpex1.cat" NLS && NLSPATH="$T/n/%N" launch "$P"' "$english"
row LaunchNlspathWithoutInstalledCatalog \
    'catalog "$T/n/qimpex1.cat" NLS && copy "$T/c" && NLSPATH="$T/n/%N" launch "$T/c"' \
    'NLS /no/such/program 2
status 127'
row LaunchCatalogOfItsOwnInstallation \
    'copy "$T/c" && catalog "$T/c/msg/en_US/qimpex1.cat" OWN && launch "$T/c"' \
    'OWN /no/such/program 2
status 127'
row LaunchBuiltInTextWithoutCatalog 'copy "$T/c" && launch "$T/c"' "$english"

echo "no row $ROW"
exit 1
