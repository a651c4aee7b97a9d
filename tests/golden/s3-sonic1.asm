; s3.asm on sonic1 (timeout model): the tempo lines, ported
	smpsHeaderStartSong 1
	smpsHeaderTempo $01, $00	; line 2
	smpsSetTempoDiv $08
	smpsSetTempoMod $02	; line 3
