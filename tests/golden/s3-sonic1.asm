; s3.asm on sonic1 (timeout model, NTSC): the tempo lines, ported
; keep smpsHeaderStartSong 3: the bytes stand raw where its SMPS2ASM would not give them
; line 2: SMPS2ASM's conversion already gives this byte; leave the line
; line 3: SMPS2ASM never converts a divider; leave the line
	smpsSetTempoDiv $08	; line 4
	dc.b	$EA,$02
; the divider changes from 1 to 8: the durations on line 6 pass 255 updates; smpsNoteFill counts updates, not units: scale it by 8/1 on line 7
