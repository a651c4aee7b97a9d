; Tempo for sonic1 (timeout model), NTSC: one pair, no tempo command
; the bytes assume smpsHeaderStartSong 1
	smpsHeaderTempo $01, $15
; speed 6, tempo 125: 7 units a row, 2.040816% slower; at order 0 row 0
; speed 6, tempo 140: 6 units a row, 2.040816% faster; at order 1 row 0
