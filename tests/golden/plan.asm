; Tempo for sonic1 (timeout model), NTSC: tempo commands, one unit a row
; the bytes assume smpsHeaderStartSong 1
; smpsSetTempoMod assembles to $EA,tt and smpsSetTempoDiv to $EB,dd on sonic1
; each command goes into one track only, the first that plays at its place
	smpsHeaderTempo $06, $06
; speed 6, tempo 125: period $06, perfect match; at order 0 row 0
; speed 6, tempo 140: period $0F, perfect match; at order 1 row 0
	smpsSetTempoMod $06	; order 0 row 0, 0 units from the start, where play repeats: after the loop label smpsJump returns to
	smpsSetTempoMod $0F	; order 1 row 0, 1 unit from the start
; the speed shoes on sonic1 restore the header's tempo, undoing the tempo commands
