SELECT genre, album FROM MediaLibrary WHERE year < 1980
UNION ALL
SELECT [from], "it's" FROM Playlist WHERE x IN (SELECT y FROM z)
INTERSECT SELECT a, b FROM t
EXCEPT SELECT '(' c, ')' FROM u