; s3.asm on sonic1 (timeout model): the tempo lines, ported
	smpsHeaderStartSong 1
	smpsHeaderTempo $01, $00	; line 2
	smpsChanTempoDiv $01	; wants tempo $02, which is every track's	; line 3
	smpsSetTempoDiv $08
	smpsSetTempoMod $02	; line 4
