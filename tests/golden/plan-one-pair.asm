; Tempo for sonic1 (timeout model), NTSC: one pair, no tempo command
; the bytes assume smpsHeaderStartSong 1
	smpsHeaderTempo $01, $15
; speed 6, tempo 125: rows of 7 units, 2.040816% slower
; speed 6, tempo 140: rows of 6 units, 2.040816% faster
