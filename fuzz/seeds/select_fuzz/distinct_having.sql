SELECT DISTINCT artist, album -- level two
FROM MediaLibrary
WHERE genre = 'Rock' /* only rock */
GROUP BY artist, album HAVING count(*) > 1
ORDER BY artist COLLATE NaturalNoCase, album
LIMIT 10 OFFSET 5