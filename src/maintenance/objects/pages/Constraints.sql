/* Constraints de cada tabela e view (chave primária, estrangeira, única, verificação e padrão),
   para comparar dois bancos do sistema */
SELECT OBJECT_NAME(c.parent_object_id) AS Tabela,
    p.type_desc AS TipoTabela,
    c.name AS Constraint_,
    c.type AS Tipo,
    c.type_desc AS Descricao,
    OBJECT_DEFINITION(c.object_id) AS Definicao,
    c.create_date AS Criada,
    c.modify_date AS Modificada
FROM sys.objects c
    INNER JOIN sys.objects p ON p.object_id = c.parent_object_id
WHERE c.type IN ('PK', 'F', 'UQ', 'C', 'D') AND p.type IN ('U', 'V')
ORDER BY OBJECT_NAME(c.parent_object_id), c.type, c.name
GO
