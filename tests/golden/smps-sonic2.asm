; song.asm on sonic2 (carry-advance model, NTSC): the tempo lines, ported
; keep smpsHeaderStartSong 1: the bytes stand raw where its SMPS2ASM would not give them
; line 5 (Song_Header): SMPS2ASM's conversion already gives this byte; leave the line
; line 8 (Song_FM1): SMPS2ASM's conversion already gives this byte; leave the line
; line 9 (Song_Loop): SMPS2ASM's conversion already gives this byte; leave the line
; line 10 (Song_Loop): SMPS2ASM never converts a divider; leave the line
; line 11 (Song_Loop): SMPS2ASM never converts a divider; leave the line
; line 12 (Song_Loop): SMPS2ASM's conversion already gives this byte; leave the line
