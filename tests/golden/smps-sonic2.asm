; song.asm on sonic2 (carry-advance model): the tempo lines, ported
	smpsHeaderStartSong 2
	smpsHeaderTempo $01, $AB	; line 5 (Song_Header)
	smpsSetTempoMod $C0	; line 8 (Song_FM1)
	smpsSetTempoMod $CD	; line 9 (Song_Loop)
	smpsSetTempoDiv $02	; line 10 (Song_Loop)
	smpsChanTempoDiv $03	; line 11 (Song_Loop)
	smpsSetTempoMod $D5	; line 12 (Song_Loop)
