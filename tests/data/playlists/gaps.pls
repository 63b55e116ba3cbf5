; written by hand
[playlist]
NumberOfEntries=3
File4=http://radio.example/live
Title4=Live
Length4=-1
file1=Highway Rain/02 Glass Satellite.flac
TITLE1=The Paper Lanterns - Glass Satellite
Length1=405

File2=/music/b.ogg
Title3=no file for this one
File10=file:///music/ten.mp3
Version=2
