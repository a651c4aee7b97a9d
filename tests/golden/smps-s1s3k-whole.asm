; A Sonic 1 song
Song_Header:
	smpsHeaderStartSong 1
	smpsHeaderChan      $06, $03
	dc.b	$01,$55	; ported to sonic1-s3k-tempo from smpsHeaderTempo     $01, $03: 40 units a second, .1953125% faster
Song_FM1:
	dc.b	nC4, $0C
	dc.b	$EA,$40	; ported to sonic1-s3k-tempo from SMPSSETTEMPOMOD	4: 45 units a second, perfect match
Song_Loop:	dc.b	$EA,$33	; ported to sonic1-s3k-tempo from smpsSetTempoMod %101: 48 units a second, .09765625% faster
smpsSetTempoDiv $02
	smpsChanTempoDiv	$03
	dc.b	$EA,$2B	; ported to sonic1-s3k-tempo from smpsSetTempoMod $06: 25 units a second, .15625% slower
