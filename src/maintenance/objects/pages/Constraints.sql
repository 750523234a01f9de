/* Constraints de cada tabela e view (chave primária, estrangeira, única, verificação e padrão),
   uma linha por coluna, com a tabela e a coluna referenciadas e a definição, para comparar dois bancos do sistema */
SELECT OBJECT_NAME(k.parent_object_id) AS Tabela, p.type_desc AS TipoTabela, k.name AS Constraint_, k.type AS Tipo,
    k.type_desc AS Descricao, c.name AS Coluna, ic.key_ordinal AS Posicao, CAST(NULL AS sysname) AS TabelaReferenciada,
    CAST(NULL AS sysname) AS ColunaReferenciada, CAST(NULL AS nvarchar(max)) AS Definicao, CAST(0 AS bit) AS Desativada,
    k.create_date AS Criada, k.modify_date AS Modificada
FROM sys.key_constraints k
    INNER JOIN sys.objects p ON p.object_id = k.parent_object_id
    INNER JOIN sys.index_columns ic ON ic.object_id = k.parent_object_id AND ic.index_id = k.unique_index_id
    INNER JOIN sys.columns c ON c.object_id = ic.object_id AND c.column_id = ic.column_id
WHERE p.type IN ('U', 'V') AND ic.is_included_column = 0
UNION ALL
SELECT OBJECT_NAME(f.parent_object_id), p.type_desc, f.name, f.type, f.type_desc, c.name, fc.constraint_column_id,
    OBJECT_NAME(f.referenced_object_id), r.name,
    N'ON DELETE ' + REPLACE(f.delete_referential_action_desc, '_', ' ') + N' ON UPDATE '
        + REPLACE(f.update_referential_action_desc, '_', ' '),
    f.is_disabled, f.create_date, f.modify_date
FROM sys.foreign_keys f
    INNER JOIN sys.objects p ON p.object_id = f.parent_object_id
    INNER JOIN sys.foreign_key_columns fc ON fc.constraint_object_id = f.object_id
    INNER JOIN sys.columns c ON c.object_id = fc.parent_object_id AND c.column_id = fc.parent_column_id
    INNER JOIN sys.columns r ON r.object_id = fc.referenced_object_id AND r.column_id = fc.referenced_column_id
WHERE p.type IN ('U', 'V')
UNION ALL
SELECT OBJECT_NAME(ck.parent_object_id), p.type_desc, ck.name, ck.type, ck.type_desc, c.name, NULL, NULL, NULL,
    ck.definition, ck.is_disabled, ck.create_date, ck.modify_date
FROM sys.check_constraints ck
    INNER JOIN sys.objects p ON p.object_id = ck.parent_object_id
    LEFT JOIN sys.columns c ON c.object_id = ck.parent_object_id AND c.column_id = ck.parent_column_id
WHERE p.type IN ('U', 'V')
UNION ALL
SELECT OBJECT_NAME(d.parent_object_id), p.type_desc, d.name, d.type, d.type_desc, c.name, NULL, NULL, NULL,
    d.definition, CAST(0 AS bit), d.create_date, d.modify_date
FROM sys.default_constraints d
    INNER JOIN sys.objects p ON p.object_id = d.parent_object_id
    INNER JOIN sys.columns c ON c.object_id = d.parent_object_id AND c.column_id = d.parent_column_id
WHERE p.type IN ('U', 'V')
ORDER BY Tabela, Tipo, Constraint_, Posicao
GO
