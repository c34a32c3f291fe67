#!/usr/bin/env bash
# The Debian 12 packages that building, testing and the demo need, and the
# commands the project runs from each: one line a package, its name first.
# scripts/install-dependencies.sh installs every package named here;
# scripts/check-commands.sh checks that each command named here comes from one
# of these packages. A command the project starts to run gets a place here.
# Sourced by both scripts.
package_table() {
    cat <<'TABLE'
# package                       commands the project runs from it
cmake                           cmake ctest
ninja-build                     ninja
g++                             g++
clang                           clang++
libclang-rt-14-dev
libgtest-dev
libgmock-dev
googletest
libbenchmark-dev
clang-tidy                      clang-tidy run-clang-tidy
binutils                        nm
python3
python3-minimal                 /usr/bin/python3
g++-mingw-w64-x86-64-posix      x86_64-w64-mingw32-g++-posix
gcc-mingw-w64-x86-64-posix      x86_64-w64-mingw32-gcc-posix
binutils-mingw-w64-x86-64       x86_64-w64-mingw32-objdump x86_64-w64-mingw32-windres
wine64
wine                            wine wineboot wineserver
chromium                        chromium
fonts-noto-cjk
nodejs                          node
TABLE
}

# The package names alone.
package_names() {
    package_table | sed -e 's/#.*//' | awk 'NF {print $1}'
}
