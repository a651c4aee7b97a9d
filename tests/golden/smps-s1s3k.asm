; song.asm on sonic1-s3k-tempo (carry-delay model, NTSC): the tempo lines, ported
; keep smpsHeaderStartSong 1: the bytes stand raw where its SMPS2ASM would not give them
	dc.b	$01,$55	; line 5 (Song_Header)
	dc.b	$EA,$40	; line 8 (Song_FM1)
	dc.b	$EA,$33	; line 9 (Song_Loop)
; line 10 (Song_Loop): SMPS2ASM never converts a divider; leave the line
; line 11 (Song_Loop): SMPS2ASM never converts a divider; leave the line
	dc.b	$EA,$2B	; line 12 (Song_Loop)
