; Converted by Beatwright for sonic3k (carry-delay model)
; 2 tracks, 2 voices, 4 notes, no tempo command (one pair, no tempo command); worst perfect match, drift 0.000000 s
tune_Header:
	smpsHeaderStartSong 3, 1
	smpsHeaderVoice     tune_Voices
	smpsHeaderChan      $02, $01
	smpsHeaderTempo     $03, $80
	smpsHeaderDAC       tune_DAC
	smpsHeaderFM        tune_FM1, $00, $00
	smpsHeaderPSG       tune_PSG1, $00, $00, $00, $00
tune_FM1:
	smpsSetvoice        $00
	smpsPan             panCentre, $13
	dc.b	nC4, $04, nE4
tune_FM1_Loop:
	smpsAlterVol        $0F
	smpsSetvoice        $01
	smpsPan             panCentre, $00
	dc.b	nG4, $04, nRst, $02
	smpsAlterVol        $F1
	dc.b	nRst
	smpsSetvoice        $00
	smpsPan             panCentre, $13
	smpsJump            tune_FM1_Loop
tune_PSG1:
	dc.b	nRst, $02, nA1, $06
tune_PSG1_Loop:
	dc.b	smpsNoAttack, nA1, $04
	smpsPSGAlterVol     $03
	dc.b	smpsNoAttack, nA1
	smpsPSGAlterVol     $FD
	smpsJump            tune_PSG1_Loop
tune_DAC:
	smpsStop
tune_Voices:
; Voice $00: FM 0
	smpsVcAlgorithm     $02
	smpsVcFeedback      $05
	smpsVcUnusedBits    $00
	smpsVcDetune        $01, $05, $00, $06
	smpsVcCoarseFreq    $04, $02, $03, $01
	smpsVcRateScale     $03, $01, $02, $00
	smpsVcAttackRate    $1C, $1E, $1D, $1F
	smpsVcAmpMod        $01, $00, $00, $00
	smpsVcDecayRate1    $0B, $09, $0A, $08
	smpsVcDecayRate2    $05, $03, $04, $02
	smpsVcDecayLevel    $04, $02, $03, $01
	smpsVcReleaseRate   $0C, $0E, $0D, $0F
	smpsVcTotalLevel    $93, $11, $12, $10
; Voice $01: FM 1
	smpsVcAlgorithm     $06
	smpsVcFeedback      $00
	smpsVcUnusedBits    $00
	smpsVcDetune        $00, $00, $00, $00
	smpsVcCoarseFreq    $01, $01, $01, $01
	smpsVcRateScale     $00, $00, $00, $00
	smpsVcAttackRate    $1F, $1F, $1F, $1F
	smpsVcAmpMod        $00, $00, $00, $00
	smpsVcDecayRate1    $00, $00, $00, $00
	smpsVcDecayRate2    $00, $00, $00, $00
	smpsVcDecayLevel    $00, $00, $00, $00
	smpsVcReleaseRate   $0F, $0F, $0F, $0F
	smpsVcTotalLevel    $A0, $A0, $A0, $20
