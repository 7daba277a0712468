#!/bin/sh
# A mailer for Wine's browser launcher: it journals the address it is handed
# beside itself, in the stand-ins' journal form.
printf 'address=%s\n' "$1" >> "$(dirname "$0")/mailclient_wine_mailer.journal"
