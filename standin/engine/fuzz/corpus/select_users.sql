SELECT Usuarios.*
FROM        Usuarios
ORDER BY Nome