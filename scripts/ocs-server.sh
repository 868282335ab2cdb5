#!/usr/bin/env bash
# A local OCS Inventory NG server for the inventory client's tests: Debian's
# ocsinventory-server with MariaDB and Apache, listening on 127.0.0.1 only,
# with the database ocsweb (user ocs, password ocs) that the packaged Apache
# configuration expects and our User-Agent allowed. Needs root on Debian 12.
# Safe to run again: it only adds what is missing and (re)starts the services.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
start=$(date +%s)

bash "$here/setup.sh" ocs-server

# The daemons must not inherit the descriptors we were given: callers hold
# /tmp/ocs-server.lock open while we run (flock), and a daemon keeping it
# would hold that lock for as long as it runs.
daemon() { "$@" 3>&- 4>&- 5>&- 6>&- 7>&- 8>&- 9>&-; }

# Installing starts no daemons here; MariaDB first.
daemon service mariadb start >/dev/null
for _ in $(seq 1 60); do mysqladmin ping >/dev/null 2>&1 && break; sleep 1; done
mysqladmin ping >/dev/null

if ! mysql -N -e "SHOW DATABASES LIKE 'ocsweb'" | grep -q ocsweb; then
  files=/usr/share/ocsinventory-reports/files
  mysql -e "CREATE DATABASE ocsweb CHARACTER SET utf8mb4;
            CREATE USER IF NOT EXISTS 'ocs'@'localhost' IDENTIFIED BY 'ocs';
            GRANT ALL PRIVILEGES ON ocsweb.* TO 'ocs'@'localhost'; FLUSH PRIVILEGES;"
  mysql ocsweb < "$files/ocsbase_new.sql"
  # Then the numbered updates past the base's version, in one pass that
  # tolerates the warnings and the steps already in the base.
  base=$(mysql -N ocsweb -e "SELECT TVALUE FROM config WHERE NAME='GUI_VERSION'")
  for f in $(ls "$files/update" | sort -n); do
    n=${f%.sql}
    [ "$n" -gt "$base" ] || continue
    mysql --force ocsweb < "$files/update/$f" >/dev/null 2>&1 || true
    mysql ocsweb -e "UPDATE config SET TVALUE='$n' WHERE NAME='GUI_VERSION'"
  done
fi
# The 2.8 server still reads and writes software_name.CATEGORY and the table
# unixusers, which later updates drop (without the table it logs an error
# for every inventory).
if ! mysql -N ocsweb -e "SHOW COLUMNS FROM software_name LIKE 'CATEGORY'" | grep -q CATEGORY; then
  mysql ocsweb -e "ALTER TABLE software_name ADD COLUMN CATEGORY int DEFAULT NULL"
fi
mysql ocsweb -e "CREATE TABLE IF NOT EXISTS unixusers (
    ID int NOT NULL AUTO_INCREMENT, HARDWARE_ID int NOT NULL, ID_USERS varchar(255) DEFAULT NULL,
    GID_USERS varchar(255) DEFAULT NULL, NAME_USERS varchar(255) DEFAULT NULL, HOME_USERS varchar(255) DEFAULT NULL,
    SHELL_USERS varchar(255) DEFAULT NULL, LOGIN_USERS varchar(255) DEFAULT NULL, ID_GROUP varchar(255) DEFAULT NULL,
    NAME_GROUP varchar(255) DEFAULT NULL, MEMBER_GROUP varchar(255) DEFAULT NULL,
    PRIMARY KEY (ID, HARDWARE_ID)) ENGINE=InnoDB"

# The web console (http://127.0.0.1/ocsreports, admin/admin): Debian's
# package has no database settings until its installer ran, and no
# Composer autoloader; ours loads Debian's PHPMailer and phpCAS instead.
reports=/usr/share/ocsinventory-reports
cat > /etc/ocsinventory/dbconfig.inc.php <<'PHP'
<?php
define("DB_NAME", "ocsweb");
define("SERVER_READ", "localhost");
define("SERVER_WRITE", "localhost");
define("SERVER_PORT", "3306");
define("COMPTE_BASE", "ocs");
define("PSWD_BASE", "ocs");
define("ENABLE_SSL", "0");
define("SSL_MODE", "");
define("SSL_KEY", "");
define("SSL_CERT", "");
define("CA_CERT", "");
?>
PHP
mkdir -p "$reports/vendor/jasig/phpcas"
rm -f "$reports/vendor/autoload.php" "$reports/vendor/jasig/phpcas/CAS.php"  # never write through a link
cat > "$reports/vendor/autoload.php" <<'PHP'
<?php
// Debian's libraries in place of the ones Composer would bring: PHPMailer,
// and phpCAS by class when it is used (its own loader warns on every page).
require_once '/usr/share/php/libphp-phpmailer/autoload.php';
spl_autoload_register(function ($class) {
    $base = '/usr/share/php/CAS/source/';
    if ($class === 'phpCAS') {
        require_once $base . 'CAS.php';
    } elseif (strncmp($class, 'CAS_', 4) === 0 && is_file($file = $base . str_replace('_', '/', $class) . '.php')) {
        require_once $file;
    }
});
PHP
cat > "$reports/vendor/jasig/phpcas/CAS.php" <<'PHP'
<?php
require_once __DIR__ . '/../../autoload.php';
class_exists('phpCAS');
PHP

# Our agent's User-Agent, as an administrator allows it.
version=$(sed -n 's/^project(Tallyquest VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
agent="Tallyquest_v$version"
grep -qxF "$agent" /etc/ocsinventory/extra_useragents || echo "$agent" >> /etc/ocsinventory/extra_useragents

# Apache on the loopback address only, with mod_perl and the server's configuration.
sed -i 's/^Listen 80$/Listen 127.0.0.1:80/' /etc/apache2/ports.conf
sed -i 's/^\(\s*\)Listen 443$/\1Listen 127.0.0.1:443/' /etc/apache2/ports.conf
a2enmod -q perl >/dev/null
a2enconf -q ocsinventory-server ocsinventory-reports javascript-common >/dev/null
daemon service apache2 restart >/dev/null 2>&1 || daemon service apache2 start >/dev/null
for _ in $(seq 1 30); do
  code=$(curl -s -o /dev/null -w '%{http_code}' --max-time 5 http://127.0.0.1/ocsinventory || true)
  [ "$code" != "000" ] && break
  sleep 1
done
echo "OCS Inventory NG server on http://127.0.0.1/ocsinventory (agent $agent allowed), console on" \
  "http://127.0.0.1/ocsreports (admin/admin), in $(( $(date +%s) - start )) s"
