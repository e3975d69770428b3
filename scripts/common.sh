# Sourced first by every script: the project folder, the one-line refusal and the --help answer.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# refuse MESSAGE...: says on standard error, in one line that names the script and points at
# its --help, what it does not understand, and ends the script with status 2.
refuse() {
    echo "scripts/${0##*/}: $* (scripts/${0##*/} --help tells more)" >&2
    exit 2
}

# answer_help WORDS <<USAGE: when WORDS is --help or -h, prints the usage read from standard
# input and ends the script with status 0; otherwise returns at once. A script that answers
# --help only on its own passes "$*"; one that looks at its first argument alone, "${1:-}".
answer_help() {
    case $1 in
    --help | -h)
        cat
        exit 0
        ;;
    esac
}
