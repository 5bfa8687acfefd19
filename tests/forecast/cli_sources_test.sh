#!/usr/bin/env bash
# nubra-cli parse, hosts and forecast, run as a user would, the forecast
# over plain HTTP and, for Open-Meteo, over TLS with an authority made here.
# Usage: cli_sources_test.sh NUBRA_CLI NUBRA_REPLICA DATA_DIR
set -u
cli=$1 replica=$2 data=$3
work=$(mktemp -d)
replica_pid=
cleanup() {
  [ -n "$replica_pid" ] && kill "$replica_pid" 2>/dev/null && wait "$replica_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_CONFIG_HOME"
status=0
fail() { echo "FAILED: $*"; status=1; }
expect_status() { # expected command...
  local want=$1; shift
  "$@" >"$work/out" 2>"$work/err"
  local got=$?
  [ "$got" -eq "$want" ] || fail "$* gave status $got, expected $want: $(cat "$work/err")"
}

# parse gives the saved pages' texts byte for byte, by name or number.
for c in france:Paris:france_commune_75056 0:Paris:france_cut_in_table suisse:GENÈVE:suisse_npa_1200 \
         2:Québec:canada_two_boxes_qc147 belgique:Aaigem:belgique_no_marker; do
  IFS=: read -r country name stem <<<"$c"
  expect_status 0 "$cli" parse "$country" "$name" "$data/$stem.html"
  cmp -s "$work/out" "$data/$stem.txt" || fail "parse $country $stem differs from $stem.txt"
done
expect_status 0 "$cli" parse france Paris "$data/france_no_update_marker.html"
[ -s "$work/out" ] && fail "a page without update time gave text"

# Usage errors exit 2, failures 1 with a French message.
expect_status 2 "$cli" parse
expect_status 2 "$cli" parse espagne x "$data/suisse_npa_1200.html"
expect_status 2 "$cli" parse 7 x "$data/suisse_npa_1200.html"
# Each country's own "classique" is no source without its country; a
# country offers only its own sources.
expect_status 2 "$cli" parse classique x "$data/suisse_npa_1200.html"
expect_status 2 "$cli" parse monaco x "$data/suisse_npa_1200.html" --source classique
expect_status 2 "$cli" forecast france
expect_status 2 "$cli" hosts de trop
expect_status 1 "$cli" parse france x "$work/absent.html"
# An Open-Meteo answer saved with a field less still gives the rest; the
# service's error object gives its reason.
sed 's/"precipitation_sum":\[[^]]*\],//' "$data/open_meteo_answer.json" >"$work/no_rain.json"
expect_status 0 "$cli" parse open-meteo Achenheim "$work/no_rain.json"
[ "$(wc -l <"$work/out")" -eq 6 ] && ! grep -q " mm" "$work/out" || fail "answer without precipitation: $(cat "$work/out" "$work/err")"
# A country without a historic service reads Open-Meteo answers; another
# reads them when told so, exactly as open-meteo alone does.
expect_status 0 "$cli" parse luxembourg Achenheim "$work/no_rain.json"
cp "$work/out" "$work/by_country"
expect_status 0 "$cli" parse france Achenheim --source open-meteo "$work/no_rain.json"
cmp -s "$work/out" "$work/by_country" || fail "parse france --source open-meteo: $(cat "$work/out" "$work/err")"
printf '{"error":true,"reason":"Parameter forecast_days must be between 0 and 16"}' >"$work/refused.json"
expect_status 1 "$cli" parse open-meteo X "$work/refused.json"
grep -qx "Le service Open-Meteo refuse la demande : Parameter forecast_days must be between 0 and 16" "$work/err" ||
  fail "refusal in a saved answer: $(cat "$work/err")"
printf '<h1>Pr\xe9visions pour</h1><table><tr><td>t</td></tr><tr><td>Lu, 07.xy.</td></tr></table>' >"$work/bad.html"
expect_status 1 "$cli" parse suisse x "$work/bad.html"
grep -q "^'xy' n'est pas une valeur entière correcte$" "$work/err" || fail "bad date message: $(cat "$work/err")"

# hosts: defaults, then valid overrides; an invalid one is reported and ignored.
expect_status 0 "$cli" hosts
cp "$work/out" "$work/defaults"
[ "$(cut -d= -f1 "$work/defaults" | tr '\n' ' ')" = "france suisse canada canada-site belgique open-meteo meteoalarm geomet " ] ||
  fail "hosts keys: $(cat "$work/defaults")"
grep -qx 'open-meteo=api.open-meteo.com' "$work/defaults" || fail "open-meteo default: $(cat "$work/defaults")"
printf '[general]\r\nPays=1\r\n[Serveurs]\r\nfrance = miroir.test:8080\r\nsuisse=mauvais hôte\r\ncanada-site=site.test\r\nopen-meteo=HTTP://127.0.0.1:8081\r\n' \
  >"$XDG_CONFIG_HOME/nubra.ini"
expect_status 0 "$cli" hosts
grep -qx 'france=miroir.test:8080' "$work/out" || fail "france override: $(cat "$work/out")"
grep -qx 'open-meteo=http://127.0.0.1:8081' "$work/out" || fail "open-meteo scheme: $(cat "$work/out")"
grep -qx 'canada-site=site.test' "$work/out" || fail "canada-site override"
[ "$(grep '^suisse=' "$work/out")" = "$(grep '^suisse=' "$work/defaults")" ] || fail "invalid suisse override applied"
grep -q 'suisse' "$work/err" || fail "invalid override not reported"
expect_status 0 "$cli" parse canada X "$data/canada_no_box.html"
[ "$(sed -n 2p "$work/out")" = $'Par Nubra Canada - site.test\r' ] || fail "parse ignores overrides: $(cat "$work/out")"

# parse warnings: the recorded documents read for a place at a time of
# their days, on the clock TZ gives.
w=$data/warnings
expect_warnings() { # TZ country place document now expected-first-line
  TZ=$1 "$cli" parse warnings "$2" "$3" "$w/$4" --now "$5" >"$work/out" 2>"$work/err" ||
    fail "parse warnings $2 $3 $4: $(cat "$work/err")"
  [ "$(head -1 "$work/out" | iconv -f CP1252 -t UTF-8)" = "$6"$'\r' ] ||
    fail "parse warnings $2 $3 $4: $(head -1 "$work/out" | iconv -f CP1252 -t UTF-8)"
}
atom=meteoalarm-fr_atom_2022-12-08__meteoalert-api.xml
expect_warnings Europe/Paris france Chamonix-Mont-Blanc $atom 2022-12-08T06:00:00Z \
  "Vigilance jaune - Haute Savoie : du mercredi 7 décembre 16h00 au jeudi 8 décembre 16h00 (Météo-France)"
expect_warnings Europe/Paris france Strasbourg $atom 2022-12-08T06:00:00Z "Aucune vigilance en cours"
expect_warnings Europe/Paris france Chamonix-Mont-Blanc $atom 2022-12-08T15:00:00Z "Aucune vigilance en cours"
expect_warnings Europe/Paris france Chamonix-Mont-Blanc meteoalarm-fr_cap_2022-12-07__meteoalert-api.xml \
  2022-12-07T05:00:30Z "Aucune vigilance en cours"  # an all-clear, within its minute
geomet=eccc-geomet-weather-alerts_2026-03-05__linecast.json
expect_warnings America/Toronto canada Toronto $geomet 2026-03-05T22:00:00Z \
  "avertissement de pluie verglaçante (jaune) : du jeudi 5 mars 17h00 au vendredi 6 mars 01h00 (Environnement Canada)"
expect_warnings America/Toronto canada Ottawa $geomet 2026-03-05T22:00:00Z "Aucune vigilance en cours"
cap=eccc-cap_large_ontario__rs-cap.xml
expect_warnings America/Toronto canada Timmins $cap 2020-07-10T12:00:00Z \
  "avertissement de chaleur : du vendredi 10 juillet 04h54 au vendredi 10 juillet 20h54 (Environnement Canada)"
expect_warnings America/Toronto canada "Elliot Lake" $cap 2020-07-10T12:00:00Z "Aucune vigilance en cours"  # ended
expect_warnings UTC monaco Monte-Carlo $cap 2020-07-10T12:00:00Z "Vigilance : aucun service de vigilance pour ce lieu."
expect_status 1 "$cli" parse warnings france Paris "$data/open_meteo_answer.json"
grep -q "GeoMet" "$work/err" || fail "a JSON that is no GeoMet answer: $(cat "$work/err")"
expect_status 2 "$cli" parse warnings france Paris "$w/$atom" --now demain
expect_status 1 "$cli" parse warnings france "Nulle Part" "$w/$atom"

# forecast against the replica, all four countries.
"$replica" --port 0 --day 20795 >"$work/port" 2>"$work/replica.log" &
replica_pid=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(sed -n 's/^port //p' "$work/port")
[ -n "$port" ] || { fail "replica gave no port"; exit 1; }
servers=$(printf '[serveurs]\nfrance=127.0.0.1:%s\nsuisse=127.0.0.1:%s\ncanada=127.0.0.1:%s\nbelgique=127.0.0.1:%s\nopen-meteo=http://127.0.0.1:%s\nmeteoalarm=http://127.0.0.1:%s\ngeomet=http://127.0.0.1:%s\n' \
  "$port" "$port" "$port" "$port" "$port" "$port" "$port")
printf '%s\n[sources]\nfrance=classique\nsuisse=classique\ncanada=classique\nbelgique=classique\n' "$servers" \
  >"$XDG_CONFIG_HOME/nubra.ini"
for country in france suisse canada belgique; do
  expect_status 0 "$cli" forecast "$country" 0 --raw
  cp "$work/out" "$work/$country.raw"
  [ "$(wc -l <"$work/out")" -ge 8 ] || fail "forecast $country: $(cat "$work/out")"
  expect_status 0 "$cli" forecast "$country" 0
  grep -q $'\r' "$work/out" && fail "forecast $country kept CR"
  iconv -f UTF-8 -t UTF-8 "$work/out" >/dev/null 2>&1 || fail "forecast $country is not UTF-8"
  [ "$(iconv -f UTF-8 -t CP1252 "$work/out" | sed 's/$/\r/')" = "$(cat "$work/$country.raw")" ] ||
    fail "forecast $country: converted text differs from --raw"
done
head -1 "$work/france.raw" | grep -q "^Nubra de .* Actualis" || fail "france heading: $(head -1 "$work/france.raw")"
grep -q "^GET /france/accueil " "$work/replica.log" || fail "no home page request"
grep -q "^GET /jsp/site/Portal.jsp?.* | Cookie: JSESSIONID=" "$work/replica.log" || fail "no cookie on the commune page"
# Open-Meteo wherever [sources] names no service; an invalid choice is
# reported and leaves its country on Open-Meteo too.
printf '%s\n[sources]\nfrance=classique\ncanada=meteo\n' "$servers" >"$XDG_CONFIG_HOME/nubra.ini"
expect_status 0 "$cli" forecast belgique Bruxelles
head -1 "$work/out" | grep -q "^Prévisions Open-Meteo pour Bruxelles, actualisées le " ||
  fail "open-meteo heading: $(head -1 "$work/out")"
grep -q "^Soleil : lever [0-9][0-9]h[0-9][0-9], coucher " "$work/out" || fail "open-meteo sun line: $(cat "$work/out")"
grep -q "^[A-Z][a-z]* [0-9]* soirée : " "$work/out" || fail "open-meteo periods: $(cat "$work/out")"
grep -q "^GET /v1/forecast?latitude=50.8[0-9]*&longitude=4.3[0-9]*&current=.* | User-Agent: Nubra/" "$work/replica.log" ||
  fail "no open-meteo request for Bruxelles"
expect_status 0 "$cli" forecast canada 0
head -1 "$work/out" | grep -q "^Prévisions Open-Meteo pour " || fail "canada not on the default: $(head -1 "$work/out")"
grep -q "canada" "$work/err" || fail "invalid source not reported: $(cat "$work/err")"
expect_status 0 "$cli" forecast france 0
head -1 "$work/out" | grep -q "^Nubra de " || fail "france left its service: $(head -1 "$work/out")"
expect_status 0 "$cli" forecast suisse 0 --source open-meteo
head -1 "$work/out" | grep -q "^Prévisions Open-Meteo pour " || fail "--source ignored: $(head -1 "$work/out")"
expect_status 0 "$cli" forecast belgique Bruxelles --source classique
head -1 "$work/out" | grep -q "^Prévisions pour Bruxelles" || fail "--source classique ignored: $(head -1 "$work/out")"
expect_status 2 "$cli" forecast belgique 0 --source meteo
# The new countries have no historic service: --source classique leaves them on Open-Meteo.
expect_status 0 "$cli" forecast monaco Monte-Carlo --source classique
head -1 "$work/out" | grep -q "^Prévisions Open-Meteo pour Monte-Carlo, " || fail "monaco: $(cat "$work/out" "$work/err")"
grep -q "^GET /v1/forecast?latitude=43.7[0-9]*&longitude=7.4[0-9]*&" "$work/replica.log" || fail "no request for Monte-Carlo"
expect_status 1 "$cli" forecast canada "Nulle Part Ailleurs"
grep -q "aucun lieu nommé" "$work/err" || fail "unknown place message: $(cat "$work/err")"
expect_status 1 "$cli" forecast belgique 999999
grep -q "Aucune ville d'indice 999999 en Belgique" "$work/err" || fail "index message: $(cat "$work/err")"
kill "$replica_pid"; wait "$replica_pid" 2>/dev/null; replica_pid=
expect_status 1 "$cli" forecast suisse 0
grep -q "Erreur de socket" "$work/err" || fail "refused connection message: $(cat "$work/err")"

# Open-Meteo over TLS: the replica with a certificate of an authority made
# here, trusted through SSL_CERT_FILE as a user would trust a private one.
if ! "$(dirname "$0")/../../tools/make-authority.sh" "$work" 2>"$work/openssl.log"; then
  fail "openssl: $(cat "$work/openssl.log")"
else
  "$replica" --port 0 --day 20795 --cert "$work/server.pem" --key "$work/server.key" >"$work/ports" 2>"$work/replica.log" &
  replica_pid=$!
  for _ in $(seq 100); do [ "$(wc -l <"$work/ports")" -ge 2 ] && break; sleep 0.1; done
  tls_port=$(sed -n 's/^tls-port //p' "$work/ports")
  [ -n "$tls_port" ] || { fail "replica gave no TLS port: $(cat "$work/ports" "$work/replica.log")"; exit 1; }
  printf '[serveurs]\nopen-meteo=127.0.0.1:%s\nmeteoalarm=127.0.0.1:%s\n' "$tls_port" "$tls_port" >"$XDG_CONFIG_HOME/nubra.ini"
  SSL_CERT_FILE=$work/ca.pem expect_status 0 "$cli" forecast belgique Bruxelles
  sed -n 2p "$work/out" | grep -q " - 127.0.0.1:$tls_port$" || fail "TLS forecast: $(cat "$work/out" "$work/err")"
  # The warnings over the same verified connection (the replica's day is
  # fixed, so they may all be over: read, either way).
  sed -n 3p "$work/out" | grep -q "^Vigilances indisponibles" && fail "TLS warnings: $(sed -n 3p "$work/out")"
  # fetch reads an https address the same way: here the replica's 404.
  SSL_CERT_FILE=$work/ca.pem expect_status 1 "$cli" fetch "https://127.0.0.1:$tls_port/nowhere"
  grep -qx "HTTP/1.1 404 Not Found" "$work/err" || fail "https fetch: $(cat "$work/err")"
  # The system's trust store does not know the authority.
  SSL_CERT_FILE=/nonexistent expect_status 1 "$cli" forecast belgique Bruxelles
  grep -q "^Connexion sécurisée à 127.0.0.1:$tls_port refusée : le certificat n'est pas garanti par une autorité de confiance.$" "$work/err" ||
    fail "untrusted authority message: $(cat "$work/err")"
fi

exit $status
