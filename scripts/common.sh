# Shared by scripts/test, scripts/run and scripts/bench: installs what is missing
# and builds the project into build/.

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir="$repo_root/build"

required_packages=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite
    libpcap-dev
    iproute2 curl zip unzip net-tools openssl
    xvfb xauth
    qt6-qpa-plugins imagemagick sqlite3 xdotool
)

ensure_packages() {
    local missing=()
    local package
    for package in "${required_packages[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1; then
            sudo=(sudo)
        else
            echo "Missing packages: ${missing[*]}; run this script as root or install them." >&2
            return 1
        fi
    fi
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update || return 1
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}

# "ip netns exec" binds a namespace's own hosts file over /etc/hosts, which
# minimal systems and many containers do not have: the end-to-end tests that
# name hosts need the standard one there. Those tests run in network namespaces,
# which need root, so without root there is nothing to write it for.
ensure_hosts_file() {
    [ -e /etc/hosts ] && return 0
    [ "$(id -u)" -eq 0 ] || return 0
    local content=$'127.0.0.1\tlocalhost\n::1\t\tlocalhost ip6-localhost ip6-loopback\n'
    local staged=""
    # Staged beside it and renamed, so that a failed write leaves no half file;
    # readable by every user whatever the umask.
    if {
        staged=$(mktemp /etc/.hosts.XXXXXX) &&
            printf '%s' "$content" >"$staged" &&
            chmod 0644 "$staged" &&
            mv "$staged" /etc/hosts
    } 2>/dev/null; then
        echo "No /etc/hosts: wrote the standard localhost entries"
    else
        [ -z "$staged" ] || rm -f "$staged"
        echo "No /etc/hosts and it cannot be written: the tests that name hosts will fail, each saying why." >&2
    fi
}

# Reads a build's output and shows how far it is, on one line at a terminal.
show_build_progress() {
    local line last=""
    while IFS= read -r line; do
        [[ $line =~ ^\[\ *([0-9]+)%\] ]] || continue
        [ "${BASH_REMATCH[1]}" = "$last" ] && continue
        last=${BASH_REMATCH[1]}
        if [ -t 1 ]; then printf '\rBuilding: %3s%%' "$last"; else echo "Building: $last%"; fi
    done
    if [ -t 1 ] && [ -n "$last" ]; then printf '\n'; fi
}

# One line on what QtTest skipped in the last ctest run: the test cases (data
# rows count one each), the functions they belong to, and each reason once.
report_skips() {
    local log="$build_dir/Testing/Temporary/LastTest.log"
    [ -f "$log" ] || return 0
    awk '
        # "SKIP   : Class::function(row name) reason": the row name is the
        # parenthesised part right after the function, and it may hold spaces
        # and parentheses of its own.
        /^SKIP   : / {
            line = substr($0, 10)
            open = index(line, "(")
            if (open == 0)
                next
            depth = 0
            row_end = 0
            for (i = open; i <= length(line) && !row_end; i++) {
                c = substr(line, i, 1)
                if (c == "(")
                    depth++
                else if (c == ")" && --depth == 0)
                    row_end = i
            }
            if (!row_end && (row_end = index(substr(line, open), ") ")))
                row_end += open - 1
            if (!row_end)
                next
            reason = substr(line, row_end + 2)
            test_function = substr(line, 1, open - 1)
            cases++
            if (!(test_function in seen_functions)) {
                seen_functions[test_function] = 1
                functions++
            }
            if (!(reason in count))
                reasons[++distinct] = reason
            count[reason]++
        }
        END {
            if (!cases) {
                print "Skipped: none"
                exit
            }
            # Most frequent first, then by text, so that runs read alike.
            for (i = 1; i <= distinct; i++)
                for (j = i + 1; j <= distinct; j++)
                    if (count[reasons[j]] > count[reasons[i]] ||
                        (count[reasons[j]] == count[reasons[i]] && reasons[j] < reasons[i])) {
                        swap = reasons[i]; reasons[i] = reasons[j]; reasons[j] = swap
                    }
            line = sprintf("Skipped: %d test case%s in %d function%s:", cases, cases == 1 ? "" : "s",
                           functions, functions == 1 ? "" : "s")
            for (i = 1; i <= distinct; i++)
                line = line (i > 1 ? ";" : "") " " reasons[i] " (" count[reasons[i]] ")"
            print line
        }
    ' "$log"
}

build_project() {
    if [ ! -f "$build_dir/CMakeCache.txt" ]; then
        cmake -S "$repo_root" -B "$build_dir" || return 1
    fi
    cmake --build "$build_dir" --parallel "$(nproc)" "$@"
}
