#!/usr/bin/env bash
# Writes the seed files of fuzz_logfile into corpus/logfile/ with the sqlite3
# shell: logs in the program's format and files that are not logs. Small
# pages keep the seeds small. Usage: fuzz/make_logfile_seeds.sh
set -euo pipefail
out="$(dirname "$0")/corpus/logfile"
mkdir -p "$out"

log_schema() {  # $1: table name
  cat <<SQL
PRAGMA page_size=512;
CREATE TABLE "$1" ("Vexa" INTEGER PRIMARY KEY AUTOINCREMENT, "Date" DATE, "Utc" TIME, "Call" VARCHAR(20),
  "Mode" VARCHAR(3), "Band" VARCHAR(10), "RstS" VARCHAR(10), "RstR" VARCHAR(10), "MultiR" VARCHAR(10),
  "MultiP" INTEGER, "Point" INTEGER, "Contest" VARCHAR(10));
CREATE INDEX "byCall" ON "$1" ("Call");
CREATE INDEX "byCallBand" ON "$1" ("Call","Band");
CREATE INDEX "byBandMulti" ON "$1" ("Band","MultiR");
CREATE INDEX "zx_search_MultiR_Mode_Band" ON "$1" ("MultiR","Mode","Band");
SQL
}

make() {  # $1: file, stdin: SQL
  rm -f "$out/$1"
  sqlite3 "$out/$1"
}

make log.DAT <<<"$(log_schema log)
INSERT INTO log (Date,Utc,Call,Mode,Band,RstS,RstR,MultiR,MultiP,Point,Contest) VALUES
  ('2024-03-02','06:00:12','S59ABC','CW','80','599','599','75',75,2,'ZOX Contest'),
  ('2024-03-02','06:01:40','S51XYZ','SSB','80','59','59','61',61,1,'ZOX Contest'),
  ('2024-03-02','06:02:05','S59ABC','CW','80','599','599','75',NULL,0,'ZOX Contest');"
make empty-log.DAT <<<"$(log_schema empty)"
# Values no program wrote: the reader has to cope with them.
make odd-values.DAT <<<"$(log_schema odd)
INSERT INTO odd (Date,Utc,Call,Mode,Band,MultiR,MultiP,Point) VALUES
  ('02.03.2024','99:99:99',NULL,'cw',80,'7',' 12 ',1e300),
  ('2024-02-30','6:1:2',x'00ff','SSB','80','',-9223372036854775808,'x'),
  (NULL,'06:0a:00','S5','CW','80',NULL,NULL,NULL);"
# A generated column: SELECT * returns it although table_info leaves it out.
make generated-column.DAT <<'SQL'
PRAGMA page_size=512;
CREATE TABLE g ("Vexa" INTEGER PRIMARY KEY AUTOINCREMENT, "Twice" INTEGER AS ("Point" * 2), "Date" DATE,
  "Utc" TIME, "Call" VARCHAR(20), "Mode" VARCHAR(3), "Band" VARCHAR(10), "RstS" VARCHAR(10), "RstR" VARCHAR(10),
  "MultiR" VARCHAR(10), "MultiP" INTEGER, "Point" INTEGER, "Contest" VARCHAR(10));
INSERT INTO g (Date,Utc,Call,Mode,Band,MultiR,Point) VALUES ('2024-03-02','06:00:12','S59ABC','CW','80','75',2);
SQL
make letnice.DAT <<'SQL'
PRAGMA page_size=512;
CREATE TABLE "letnice" ("Znak" VARCHAR(20) NOT NULL PRIMARY KEY, "Letnica" VARCHAR(2));
INSERT INTO letnice VALUES ('S59ABC','75'),('S51XYZ','61');
SQL
make two-tables.DAT <<'SQL'
PRAGMA page_size=512;
CREATE TABLE a (Vexa INTEGER PRIMARY KEY AUTOINCREMENT, b TEXT);
CREATE TABLE c (d TEXT);
SQL
make eleven-columns.DAT <<'SQL'
PRAGMA page_size=512;
CREATE TABLE e (Vexa INTEGER PRIMARY KEY AUTOINCREMENT, c1, c2, c3, c4, c5, c6, c7, c8, c9, c10);
SQL
printf 'Vexa;Date;Utc;Call\n1;2024-03-02;06:00:12;S59ABC\n' > "$out/not-a-database.txt"
: > "$out/empty-file"
