; Tempo for sonic1 (timeout model), NTSC: tempo commands
; the bytes assume smpsHeaderStartSong 1
; smpsSetTempoMod assembles to $EA,tt on sonic1
	smpsHeaderTempo $06, $06
	smpsSetTempoMod $06	; order 0 row 0, 0 units from the start, where play repeats
	smpsSetTempoMod $0F	; order 1 row 0, 1 unit from the start
