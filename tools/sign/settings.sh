# The signing settings, sourced by the signing scripts: from the environment (SIGN_CERT, SIGN_KEY,
# SIGN_PASSWORD, SIGN_TIMESTAMP_URL), or, when the script's arguments begin with
# "--settings <file>", from that file alone (NAME=value lines; a missing file means no
# certificate). The file is how a build inside the build signs with a certificate of its own
# while the product's programs, built in the same tree, follow the environment.
#
# Sets `arguments` to the script's arguments after the settings.
arguments=("$@")
if [ "${1:-}" = "--settings" ]; then
  unset SIGN_CERT SIGN_KEY SIGN_PASSWORD SIGN_TIMESTAMP_URL
  if [ -f "$2" ]; then
    while IFS='=' read -r name value; do
      case $name in
        SIGN_CERT | SIGN_KEY | SIGN_PASSWORD | SIGN_TIMESTAMP_URL) printf -v "$name" '%s' "$value" ;;
      esac
    done <"$2"
  fi
  arguments=("${@:3}")
fi
