#!/usr/bin/env bash
# Signs one Windows program in place (Authenticode, SHA-256 digests) with the
# certificate that the environment names:
#   MALLOWQUIST_SIGN_PFX             the certificate and its key (PKCS#12)
#   MALLOWQUIST_SIGN_PASSWORD_FILE   a file holding the PKCS#12 password
#   MALLOWQUIST_SIGN_TIMESTAMP_URL   an RFC 3161 timestamp server (optional)
# The packaging calls it for Quistrel.exe, the uninstaller and the installer.
#   sign.sh FILE
set -euo pipefail
file=$1
: "${MALLOWQUIST_SIGN_PFX:?names no certificate}"
: "${MALLOWQUIST_SIGN_PASSWORD_FILE:?names no file holding the password of the certificate}"
args=(sign -pkcs12 "$MALLOWQUIST_SIGN_PFX" -readpass "$MALLOWQUIST_SIGN_PASSWORD_FILE" -h sha256 -n Mallowquist)
# Without a timestamp a signature stops being valid when the certificate
# expires; the server is asked only when one is named.
if [ -n "${MALLOWQUIST_SIGN_TIMESTAMP_URL:-}" ]; then
  args+=(-ts "$MALLOWQUIST_SIGN_TIMESTAMP_URL")
fi
rm -f "$file.signed"
if ! log=$(osslsigncode "${args[@]}" -in "$file" -out "$file.signed" 2>&1); then
  echo "sign.sh: could not sign $file:" >&2
  echo "$log" >&2
  rm -f "$file.signed"
  exit 1
fi
mv -f "$file.signed" "$file"
echo "sign.sh: signed $file"
