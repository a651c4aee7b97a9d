; A Sonic 1 song, written for the tests
Song_Header:
	smpsHeaderStartSong 1
	smpsHeaderVoice     Song_Voices
	smpsHeaderChan      $06, $03
	smpsHeaderTempo     $01, $03	; 40 units a second

Song_FM1:
	dc.b	nC4, $0C
	smpsSetTempoMod	4
Song_Loop:	smpsSetTempoMod %101 ; five
	smpsSetTempoDiv $02
	smpsChanTempoDiv	$03
	smpsJump Song_Loop
