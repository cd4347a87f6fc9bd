# Builds the library, examples, tool and tests with warnings as errors (g++)
# and runs the whole CTest suite.
source "$(dirname "$0")/../lib.sh"
cd "$VEXAL_ROOT"

need_build_packages
need_packages libgtest-dev libgmock-dev
need_packages libcli11-dev nlohmann-json3-dev jq  # the vexal tool and its tests
configure_and_build dev
ctest --preset dev
