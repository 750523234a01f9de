CREATE TABLE F (Id int PRIMARY KEY, Nome varchar(10) UNIQUE, Qtd int DEFAULT 0 CHECK (Qtd BETWEEN 0 AND 9))
CREATE TABLE K (Id int IDENTITY(1,1) PRIMARY KEY, IdF int REFERENCES F ON DELETE CASCADE, T char(1) CHECK (T IN ('A','B')))
CREATE INDEX IX_K ON K (IdF) INCLUDE (T) WHERE T IS NOT NULL
GO
CREATE TRIGGER TK ON K AFTER INSERT AS UPDATE F SET Qtd = Qtd + 1 WHERE Id IN (SELECT IdF FROM inserted)
GO
DISABLE TRIGGER TK ON K
ALTER TABLE K ENABLE TRIGGER ALL
SELECT t.name, t.is_disabled, OBJECTPROPERTY(t.object_id, 'ExecIsTriggerDisabled') FROM sys.triggers t
SELECT fk.name, COL_NAME(fc.parent_object_id, fc.parent_column_id) FROM sys.foreign_keys fk JOIN sys.foreign_key_columns fc ON fc.constraint_object_id = fk.object_id
SELECT c.definition, d.definition FROM sys.check_constraints c CROSS JOIN sys.default_constraints d
SELECT i.name, ic.column_id FROM sys.indexes i JOIN sys.index_columns ic ON ic.object_id = i.object_id AND ic.index_id = i.index_id
SELECT * FROM INFORMATION_SCHEMA.TABLE_CONSTRAINTS, INFORMATION_SCHEMA.KEY_COLUMN_USAGE
