#!/usr/bin/env bash
# Starts the tests' own PostgreSQL 15 cluster (made on first use, port 5439) with a role
# that may create databases, and writes that role's password into a pgpass file of the
# build folder, and serves TLS with a self-signed certificate for localhost, a copy of which
# (the root certificate the tests check the server against) goes beside that pgpass file
# as pg-test-root.crt. Prints the server as host:port:user on its last line.
# Usage: tools/pg-test-server.sh <pgpass file to write>
set -euo pipefail
pgpass="$1"
version=15
cluster=orvane-test
port=5439
role=orvane_test
password=orvane-test-only

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
as_postgres() { if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else sudo -u postgres "$@"; fi; }

if ! pg_lsclusters -h | awk '{print $1" "$2}' | grep -qx "$version $cluster"; then
  as_root pg_createcluster "$version" "$cluster" -p "$port" -- --auth-local=peer --auth-host=scram-sha-256 >/dev/null
fi
if ! pg_lsclusters -h | awk '$1=="'$version'" && $2=="'$cluster'" {print $4}' | grep -qx online; then
  as_root pg_ctlcluster "$version" "$cluster" start
fi
data=/var/lib/postgresql/$version/$cluster
if ! as_root test -s "$data/server.crt"; then
  as_postgres openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj /CN=localhost \
    -addext "subjectAltName=DNS:localhost,IP:127.0.0.1,IP:::1" \
    -keyout "$data/server.key" -out "$data/server.crt" 2>/dev/null
  as_postgres chmod 600 "$data/server.key"
fi
as_postgres psql -p "$port" -qAt -v ON_ERROR_STOP=1 >/dev/null <<SQL
ALTER SYSTEM SET ssl = on;
SELECT pg_reload_conf();
SELECT 'CREATE ROLE $role LOGIN CREATEDB' WHERE NOT EXISTS (SELECT FROM pg_roles WHERE rolname = '$role') \gexec
ALTER ROLE $role PASSWORD '$password';
SQL
umask 077
as_root cat "$data/server.crt" > "$(dirname "$pgpass")/pg-test-root.crt"
printf 'localhost:%s:*:%s:%s\n' "$port" "$role" "$password" > "$pgpass"
echo "localhost:$port:$role"
