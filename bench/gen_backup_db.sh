#!/usr/bin/env bash
# Generates a SQLite database of business rows (clients, titles, payments)
# of at least the given size in MiB: the kind of file a nightly backup packs.
#   bench/gen_backup_db.sh OUT.db [MIB]
set -euo pipefail
out=$1
mib=${2:-256}
rm -f "$out"
rows=$(( mib * 4400 ))
sqlite3 "$out" >/dev/null <<SQL
PRAGMA journal_mode=OFF;
PRAGMA synchronous=OFF;
PRAGMA page_size=4096;
CREATE TABLE clientes(id INTEGER PRIMARY KEY, nome TEXT, cnpj TEXT, cidade TEXT, uf TEXT, email TEXT, criado TEXT);
CREATE TABLE titulos(id INTEGER PRIMARY KEY, cliente INTEGER, nosso_numero TEXT, vencimento TEXT,
                     valor INTEGER, banco TEXT, carteira TEXT, situacao TEXT, historico TEXT);
CREATE TABLE pagamentos(id INTEGER PRIMARY KEY, titulo INTEGER, pago_em TEXT, valor INTEGER, tarifa INTEGER, ocorrencia TEXT);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $rows / 10)
INSERT INTO clientes
SELECT i,
       (CASE i % 7 WHEN 0 THEN 'Comercial ' WHEN 1 THEN 'Distribuidora ' WHEN 2 THEN 'Mercado '
                   WHEN 3 THEN 'Farmácia ' WHEN 4 THEN 'Padaria ' WHEN 5 THEN 'Auto Peças ' ELSE 'Loja ' END)
         || (CASE (i / 7) % 9 WHEN 0 THEN 'São João' WHEN 1 THEN 'Boa Vista' WHEN 2 THEN 'Central'
                   WHEN 3 THEN 'Ipiranga' WHEN 4 THEN 'Aurora' WHEN 5 THEN 'Progresso' WHEN 6 THEN 'União'
                   WHEN 7 THEN 'Bandeirantes' ELSE 'Primavera' END) || ' Ltda ' || i,
       printf('%08d/0001-%02d', abs(random()) % 100000000, abs(random()) % 100),
       (CASE i % 5 WHEN 0 THEN 'São Paulo' WHEN 1 THEN 'Campinas' WHEN 2 THEN 'Belo Horizonte'
                   WHEN 3 THEN 'Curitiba' ELSE 'Porto Alegre' END),
       (CASE i % 5 WHEN 0 THEN 'SP' WHEN 1 THEN 'SP' WHEN 2 THEN 'MG' WHEN 3 THEN 'PR' ELSE 'RS' END),
       'contato' || i || '@cliente' || (i % 97) || '.com.br',
       date('2015-01-01', '+' || (i % 3000) || ' days')
FROM n;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $rows)
INSERT INTO titulos
SELECT i, 1 + abs(random()) % ($rows / 10), printf('%011d', abs(random()) % 100000000000),
       date('2020-01-01', '+' || (abs(random()) % 1800) || ' days'), abs(random()) % 5000000,
       (CASE abs(random()) % 6 WHEN 0 THEN '001' WHEN 1 THEN '237' WHEN 2 THEN '341' WHEN 3 THEN '104'
                               WHEN 4 THEN '033' ELSE '748' END),
       printf('%02d', abs(random()) % 20),
       (CASE abs(random()) % 4 WHEN 0 THEN 'ABERTO' WHEN 1 THEN 'PAGO' WHEN 2 THEN 'BAIXADO' ELSE 'PROTESTADO' END),
       'Duplicata mercantil ref. pedido ' || (abs(random()) % 900000) || ' parcela ' || (1 + i % 12) || '/12'
FROM n;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $rows / 2)
INSERT INTO pagamentos
SELECT i, 1 + abs(random()) % $rows, date('2020-01-01', '+' || (abs(random()) % 1800) || ' days'),
       abs(random()) % 5000000, 150 + abs(random()) % 500,
       (CASE abs(random()) % 3 WHEN 0 THEN '06 Liquidação normal' WHEN 1 THEN '09 Baixa' ELSE '17 Liquidação após baixa' END)
FROM n;
CREATE INDEX titulos_cliente ON titulos(cliente);
CREATE INDEX titulos_venc ON titulos(vencimento);
SQL
size=$(stat -c %s "$out")
while (( size < mib * 1048576 )); do
  sqlite3 "$out" "PRAGMA journal_mode=OFF; INSERT INTO pagamentos(titulo, pago_em, valor, tarifa, ocorrencia)
                  SELECT titulo, pago_em, valor + 1, tarifa, ocorrencia FROM pagamentos LIMIT 200000;" >/dev/null
  size=$(stat -c %s "$out")
done
echo "$out: $(( size / 1048576 )) MiB"
