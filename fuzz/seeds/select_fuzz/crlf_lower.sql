select
	padl(tracknumber, 2) || '. ' || title,
	format_length(length)
from Playlist
where playlist_name = 'Guns ''n'' Roses'