// Numbers of the texts of the KR70 language table (LANG/KR70_*.STR).
//
// Every visible text of the workstation is looked up by one of these numbers
// with LmLangGetIdxString / LmLangCopyIdxString (LmLang.h). Texts come back as
// stored: CP932 in the Japanese file, ASCII in the English and "other" files.
// Decode with kr70::lang::Cp932ToUtf8 (LmCp932.h) and then fill placeholders.
//
// Texts that take values (printf conversions, listed in kFormattedTexts):
//   kMsgNoAcceptedFile      %s  the last selected path
//   kTitleDefaultDirectory  %s  the current default data directory
//   kFilterParameterFile    %s %s  extension twice ("ini", "ini")
//   kFilterEnvironmentFile  %s %s  extension twice ("bet", "bet")
//   kDescEnvironmentFile    %s  extension ("bet")
//   kDescParameterFile      %s  extension ("ini")
//   kMsgIntegerRange        %s %s  lower and upper bound in decimal
//   kMsgViewerParametersNotWritten, kMsgViewerNotStarted  %s  a path
//   kQualityClipping, kQualityDropout  %s  a time in seconds
//   print lines 2044 .. 2077 one value each (2057 and 2060: lower and upper
//   frequency); the conversion letter says the type: %d int32_t, %u uint32_t,
//   %f / %g double.
// Every other text holds no conversion and may be shown as it is.
//
// File-dialog filter texts (kFilter*) are pairs "description|pattern|" ended
// by an extra "|", patterns separated by ";" (e.g. "WAV (*.wav)|*.wav||").
// kDesc* texts are a single description; the caller pairs it with a pattern.
//
// Texts that callers complete: kMsgPathNotDirectory, kAskCreateDirectory,
// kMsgDirectoryNotCreated and kAskOverwrite are followed by "\n", four blanks
// and the path; kAskStemHeading, kAskStemDirectory (+ directory),
// kAskStemFileNames (+ stem "-001#xx.wav ～ " stem "-999#xx.wav") and
// kAskStemConfirm are joined in this order; kMsgCutEndBeyondWaveform and
// kMsgCutStartAfterEnd are followed by the maximum time and ")。" (or ").");
// kTrgStatusLastPrefix is put in front of a status text; kTitleMain is
// followed by kTitleViewerSuffix in the comparison viewer; kPageTitleFirst + i
// is the title of page i (0..4), kPageTitleOther that of any other.
#ifndef KR70_LANG_KR70TEXTIDS_H
#define KR70_LANG_KR70TEXTIDS_H

namespace kr70::text {

// ---- Menus (main frame) ----
constexpr int kMenuFile = 1;
constexpr int kMenuFileOpen = 2;                    // 57601
constexpr int kMenuFileSaveData = 3;                // 57603
constexpr int kMenuFileDefaultDirectory = 4;        // 32784
constexpr int kMenuFileEnvironment = 5;             // submenu at position 4
constexpr int kMenuFileEnvironmentOpen = 6;         // 32804
constexpr int kMenuFileEnvironmentSave = 7;         // 32805
constexpr int kMenuFileParameters = 8;              // submenu at position 5
constexpr int kMenuFileParametersOpen = 9;          // 32789
constexpr int kMenuFileParametersSave = 10;         // 32788
constexpr int kMenuFilePrinterSetup = 11;           // 32793
constexpr int kMenuFilePrint = 12;                  // 32792
constexpr int kMenuFileExit = 13;                   // 57665
constexpr int kMenuEdit = 14;
constexpr int kMenuEditCutOut = 15;                 // 32795
constexpr int kMenuSettings = 16;
constexpr int kMenuSettingsSamplingPitch = 17;      // 32778
constexpr int kMenuSettingsYuragiFilter = 18;       // 32772
constexpr int kMenuSettingsFreqFilter = 19;         // 32773
constexpr int kMenuSettingsAbnormalSound = 20;      // 32779
constexpr int kMenuSettingsAcquisition = 21;        // 32774
constexpr int kMenuSettingsFftDisplay = 22;         // 32810
constexpr int kMenuView = 24;
constexpr int kMenuViewWaveform = 25;               // 32775
constexpr int kMenuViewSpectrum = 26;               // 32776
constexpr int kMenuViewAbnormalSound = 27;          // 32780
constexpr int kMenuViewComparison = 28;             // 32785
constexpr int kMenuHelp = 29;
constexpr int kMenuHelpVersion = 31;                // 57664

// ---- Status-bar indicator panes 1..4 ----
constexpr int kPaneCaps = 41;
constexpr int kPaneNum = 42;
constexpr int kPaneScroll = 43;
constexpr int kPaneKana = 46;

// ---- Version dialog (100) ----
constexpr int kVersionTitle = 100;
constexpr int kVersionProgramName = 101;            // control 1243
constexpr int kVersionNumber = 102;                 // control 1241
constexpr int kVersionMaker = 103;                  // control 1242

// ---- Buttons shared by dialogs ----
constexpr int kButtonOk = 200;
constexpr int kButtonSet = 201;                     // "設定" (dialogs 130, 131, 132)
constexpr int kButtonAbort = 202;                   // "取消" (dialogs 130, 131, 132)
constexpr int kButtonStartTriggered = 205;          // "波形取得開始" (dialog 155)
constexpr int kButtonCancel = 206;
constexpr int kButtonClose = 207;                   // "終了" (dialog 155)

// ---- Main window ----
constexpr int kTitleMain = 210;                     // also caption of kMsgMessageNotRegistered
constexpr int kPrintFontFace = 250;                 // face name of the printed text lines

// ---- Main form captions (dialog 101) ----
constexpr int kFormSamplingPitch = 300;             // button 1004
constexpr int kFormYuragiFilter = 301;              // button 1005
constexpr int kFormFreqFilter = 302;                // button 1006
constexpr int kFormAbnormalSettings = 303;          // button 1009
constexpr int kFormAcquisitionSettings = 304;       // button 1007
constexpr int kFormAcquire = 305;                   // button 1008
constexpr int kFormPageWaveform = 306;              // radio 1000
constexpr int kFormPageSpectrum = 307;              // radio 1001
constexpr int kFormPageAbnormal = 308;              // radio 1062
constexpr int kFormDisplayFile = 311;               // label 1240

// ---- Sampling pitch dialog (130); caption kFormSamplingPitch ----
constexpr int kPitchLabel = 370;                    // label of edit 1011
constexpr int kPitchHertz = 371;                    // unit of static 1009
constexpr int kPitchPoints = 372;                   // unit of static 1010

// ---- Yuragi filter dialog (131); caption kFormYuragiFilter ----
constexpr int kYuragiParameter1 = 375;              // label of edit 1012
constexpr int kYuragiParameter2 = 376;              // label of edit 1013
constexpr int kYuragiParameter3 = 377;              // label of edit 1014
constexpr int kYuragiParameter4 = 378;              // label of edit 1074

// ---- Frequency-response filter dialog (132); caption kFormFreqFilter ----
constexpr int kFreqFilterOn = 380;                  // check 1015
constexpr int kFreqLpf = 381;                       // radio 1016
constexpr int kFreqHpf = 382;                       // radio 1017
constexpr int kFreqBpf = 383;                       // radio 1018
constexpr int kFreqBef = 384;                       // radio 1019
constexpr int kFreqLength = 385;                    // label of list 1020
constexpr int kFreqTilde = 386;                     // static 1024 between the edges
constexpr int kFreqHertz = 390;                     // units beside the edges and 1009
constexpr int kFreqSamplingFrequency = 391;         // label of static 1009
// Caption of the edge edit:
constexpr int kFreqEdgeCutOff = 387;                // LPF, HPF
constexpr int kFreqEdgePassBand = 388;              // BPF
constexpr int kFreqEdgeStopBand = 389;              // BEF

// ---- Abnormal-sound settings dialog (140); caption kFormAbnormalSettings ----
constexpr int kAbnInputCount = 400;                 // label of edit 1063
constexpr int kAbnSquarePitch = 401;                // label of edit 1064
constexpr int kAbnSmoothing = 402;                  // label of edit 1065
constexpr int kAbnAreaLevel = 403;                  // label of edit 1067
constexpr int kAbnPeakAnalysis = 404;               // check 1066
constexpr int kAbnPeakPitch = 405;                  // label of edit 1069
constexpr int kAbnPeakWidth = 406;                  // label of edit 1070
constexpr int kAbnJudgementWidth = 407;             // label of edit 1071
constexpr int kAbnJudgementThreshold = 408;         // label of edit 1072
constexpr int kAbnPassThreshold = 409;              // label of edit 1068
constexpr int kAbnInverted = 410;                   // check 1221
constexpr int kAbnShowResult = 411;                 // check 1237

// ---- File dialogs ----
constexpr int kCheckOpenInDefaultDirectory = 502;   // check box 1101
constexpr int kTitleSaveParameterFile = 561;        // dialog 1064, parameter mode
constexpr int kTitleSaveEnvironmentFile = 564;      // dialog 1064, environment mode

// ---- Waveform cut-out dialog (151) ----
constexpr int kCutCaption = 580;
constexpr int kCutStartTime = 581;                  // label of edit 1137
constexpr int kCutEndTime = 582;                    // label of edit 1138
constexpr int kCutMilliseconds = 583;               // unit beside both edits
constexpr int kCutKindRaw = 584;                    // radio 1197
constexpr int kCutKindAnalysis = 585;               // radio 1198
constexpr int kCutKindYuragi = 586;                 // radio 1199
constexpr int kCut8Bit = 587;                       // radio 1200
constexpr int kCut16Bit = 588;                      // radio 1201
constexpr int kCutSave = 589;                       // button 1
constexpr int kCutFileName = 590;                   // label of edit 1139

// ---- Triggered acquisition dialog (155) ----
constexpr int kTrgCaption = 600;
constexpr int kTrgSamplingFrequency = 601;          // label of 1170
constexpr int kTrgHertz = 602;
constexpr int kTrgAcquisitionTime = 603;            // label of 1174
constexpr int kTrgMilliseconds = 604;
constexpr int kTrgLastWaveform = 605;               // button 1185
constexpr int kTrgChannel = 606;                    // label of 1172
constexpr int kTrgFileName = 607;                   // label of 1173
constexpr int kTrgStatus = 608;                     // label of 1169
constexpr int kTrgDrawNewest = 609;                 // check box 1183

// ---- Noise-level page (169) and settings (170) ----
constexpr int kNoiseMaxVoltage = 610;
constexpr int kNoiseLevel = 611;
constexpr int kNoiseRange = 612;
constexpr int kNoiseSettingsCaption = 620;

// ---- FFT display settings dialog ----
constexpr int kFftCaption = 650;
constexpr int kFftGroup = 651;                      // group box 9001
constexpr int kFftEnable = 652;                     // check box 9000

// ---- Status-bar prompts ----
constexpr int kPromptReady = 1000;
constexpr int kPromptWindowSize = 1001;
constexpr int kPromptWindowMove = 1002;
constexpr int kPromptWindowMinimize = 1003;
constexpr int kPromptWindowMaximize = 1004;
constexpr int kPromptNextWindow = 1005;             // also next pane
constexpr int kPromptPreviousWindow = 1006;         // also previous pane
constexpr int kPromptWindowClose = 1007;
constexpr int kPromptWindowRestore = 1008;
constexpr int kPromptTaskList = 1009;
constexpr int kPromptFileNew = 1030;                // 57600
constexpr int kPromptFileOpen = 1031;               // 57601
constexpr int kPromptFileClose = 1032;              // 57602
constexpr int kPromptFileSaveData = 1033;           // 57603
constexpr int kPromptFileSaveAs = 1034;             // 57604
constexpr int kPromptFilePrintSetup = 1035;         // 57606
constexpr int kPromptFilePrintStandard = 1036;      // 57607
constexpr int kPromptAppAbout = 1037;               // 57664
constexpr int kPromptAppExit = 1038;                // 57665
constexpr int kPromptCommand32771 = 1039;
constexpr int kPromptYuragiFilter = 1040;           // 32772
constexpr int kPromptFreqFilter = 1041;             // 32773
constexpr int kPromptAcquisitionSettings = 1042;    // 32774
constexpr int kPromptViewWaveform = 1043;           // 32775
constexpr int kPromptViewSpectrum = 1044;           // 32776
constexpr int kPromptCommand32777 = 1045;
constexpr int kPromptSamplingPitch = 1046;          // 32778
constexpr int kPromptAbnormalSettings = 1047;       // 32779
constexpr int kPromptViewAbnormalSound = 1048;      // 32780
constexpr int kPromptPreprocessingSave = 1049;      // 32782
constexpr int kPromptDefaultDirectory = 1050;       // 32784
constexpr int kPromptComparisonViewer = 1051;       // 32785, 32786
constexpr int kPromptParametersSave = 1052;         // 32788
constexpr int kPromptParametersOpen = 1053;         // 32789
constexpr int kPromptPrint = 1054;                  // 32792
constexpr int kPromptPrinterSetup = 1055;           // 32793
constexpr int kPromptCutOut = 1056;                 // 32795
constexpr int kPromptEnvironmentOpen = 1057;        // 32804
constexpr int kPromptEnvironmentSave = 1058;        // 32805
constexpr int kPromptFftDisplay = 1060;             // 32810
constexpr int kPromptNoiseLevel = 1061;             // 32811

// ---- Toolbar tooltips ----
constexpr int kTipOpen = 1131;                      // 57601
constexpr int kTipSaveData = 1133;                  // 57603
constexpr int kTipPrint = 1136;                     // 32792
constexpr int kTipVersion = 1137;                   // 57664
constexpr int kTipViewWaveform = 1143;              // 32775
constexpr int kTipViewSpectrum = 1144;              // 32776
constexpr int kTipViewAbnormalSound = 1148;         // 32780
constexpr int kTipComparisonViewer = 1151;          // 32786
constexpr int kTipParametersSave = 1152;            // 32788
constexpr int kTipParametersOpen = 1153;            // 32789
constexpr int kTipCutOut = 1156;                    // 32795
constexpr int kTipEnvironmentOpen = 1157;           // 32804
constexpr int kTipEnvironmentSave = 1158;           // 32805

// ---- Start-up, main view and acquisition messages (caption kCaptionWarning) ----
constexpr int kMsgMessageNotRegistered = 2000;      // caption kTitleMain, error icon
constexpr int kTitleViewerSuffix = 2001;
constexpr int kMsgNoBoard = 2002;
constexpr int kMsgBoardNotInitialised = 2004;
constexpr int kMsgAcquisitionFailed = 2005;         // acquisition, sample transfer or memory
constexpr int kMsgFilterNotBuilt = 2006;            // settings rejected; the dialog reopens
constexpr int kMsgParameterFileNotRead = 2007;
constexpr int kMsgSettingsRejectedFiveTimes = 2008;
constexpr int kMsgAnalysisFailed = 2009;
constexpr int kMsgRawDataNotSaved = 2010;
constexpr int kMsgEnvironmentFileNotRead = 2016;
constexpr int kMsgEnvironmentValueInvalid = 2018;
constexpr int kMsgRecordingRefused = 2020;
constexpr int kMsgNoAcceptedFile = 2021;            // %s path
constexpr int kMsgWaveformFileNotRead = 2023;
constexpr int kCaptionWarning = 2024;
constexpr int kMsgNoPrinter = 2026;
constexpr int kFilterWaveformOpen = 2031;
constexpr int kTitleDefaultDirectory = 2032;        // %s directory
constexpr int kFilterParameterFile = 2033;          // %s %s extension
constexpr int kPageTitleFirst = 2034;               // + page index 0..4
constexpr int kPageTitleWaveform = 2034;
constexpr int kPageTitleSpectrum = 2035;
constexpr int kPageTitleDifSpectrum = 2036;
constexpr int kPageTitleDifWaveform = 2037;
constexpr int kPageTitleAbnormal = 2038;
constexpr int kPageTitleOther = 2039;
constexpr int kPrintDisplayFile = 2041;

// ---- Printed settings (one value each unless said) ----
constexpr int kPrintHeadSampling = 2042;
constexpr int kPrintSamplingPitch = 2044;           // %u
constexpr int kPrintHeadYuragi = 2045;
constexpr int kPrintYuragiParam1 = 2046;            // %d
constexpr int kPrintYuragiParam2 = 2047;            // %d
constexpr int kPrintYuragiParam3 = 2048;            // %d
constexpr int kPrintHeadFreqFilter = 2049;
constexpr int kPrintSamplingFrequency = 2050;       // %u Hz
constexpr int kPrintNoFilter = 2051;
constexpr int kPrintHpf = 2052;
constexpr int kPrintHpfTaps = 2053;                 // %u
constexpr int kPrintHpfCutOff = 2054;               // %u Hz
constexpr int kPrintBpf = 2055;
constexpr int kPrintBpfTaps = 2056;                 // %u
constexpr int kPrintBpfBand = 2057;                 // %u %u lower, upper Hz
constexpr int kPrintBef = 2058;
constexpr int kPrintBefTaps = 2059;                 // %u
constexpr int kPrintBefBand = 2060;                 // %u %u lower, upper Hz
constexpr int kPrintLpf = 2061;
constexpr int kPrintLpfTaps = 2062;                 // %u
constexpr int kPrintLpfCutOff = 2063;               // %u Hz
constexpr int kPrintHeadAbnormal = 2064;
constexpr int kPrintDataPoints = 2065;              // %u
constexpr int kPrintSmoothing = 2066;               // %d
constexpr int kPrintPeakThreshold = 2067;           // %f
constexpr int kPrintPassThreshold = 2068;           // %f
constexpr int kPrintHeadAcquisition = 2075;
constexpr int kPrintAcqSamplingFrequency = 2076;    // %u Hz
constexpr int kPrintAcquisitionTime = 2077;         // %g ms

constexpr int kFilterEnvironmentFile = 2080;        // %s %s extension

// ---- Acquisition settings dialog (134) ----
constexpr int kMsgTimeNotPositive = 2083;
constexpr int kMsgNoSamples = 2085;
constexpr int kMsgWaitTooLong = 2088;               // caption kCaptionWaitTime
constexpr int kCaptionWaitTime = 2089;
constexpr int kFilterSaveFileName = 2090;

// ---- Graph pages ----
constexpr int kMsgRangeFromTooHigh = 2091;
constexpr int kMsgRangeToTooLow = 2092;
constexpr int kMsgGraphFailed = 2094;
constexpr int kMsgValueTooLarge = 2095;             // lower limits, FFT start and length
constexpr int kMsgValueTooSmall = 2096;             // upper limits, FFT length 0
constexpr int kMsgBandEdgesReversed = 2097;
constexpr int kMsgAbnormalValueInvalid = 2098;

// ---- Triggered acquisition dialog (155) ----
constexpr int kTrgStatusArmed = 2099;
constexpr int kTrgStatusRecording = 2100;
constexpr int kTrgStatusDone = 2101;
constexpr int kTrgOverrun = 2102;
constexpr int kTrgStatusLastPrefix = 2103;
constexpr int kTrgAskStart = 2104;                  // caption kTrgAskStartCaption
constexpr int kTrgMsgNoMemory = 2107;
constexpr int kTrgMsgCardFailed = 2108;
constexpr int kTrgMsgFileFailed = 2110;
constexpr int kTrgAskStartCaption = 2111;
constexpr int kTrgLampIdle = 2113;
constexpr int kTrgLampArmed = 2114;
constexpr int kTrgLampRecording = 2115;

// ---- File-name dialog (1064) ----
constexpr int kMsgFileNameEmpty = 2126;
constexpr int kMsgEnvironmentFileNotWritten = 2127;
constexpr int kMsgParameterFileNotWritten = 2128;
constexpr int kCaptionConfirmStem = 2129;
constexpr int kAskStemHeading = 2132;               // also the title in stem mode
constexpr int kTitleSaveStem = 2132;
constexpr int kAskStemDirectory = 2134;
constexpr int kAskStemFileNames = 2135;
constexpr int kAskStemConfirm = 2136;
constexpr int kTitleChooseDirectory = 2137;
constexpr int kDescEnvironmentFile = 2138;          // %s extension
constexpr int kDescWaveFile = 2139;
constexpr int kDescParameterFile = 2140;            // %s extension
constexpr int kDescAllFiles = 2141;

// ---- Directory and overwrite checks, data-file save (caption kCaptionError) ----
constexpr int kMsgPathNotDirectory = 2142;
constexpr int kAskCreateDirectory = 2143;
constexpr int kMsgDirectoryNotCreated = 2144;
constexpr int kMsgDirectoryEmpty = 2145;
constexpr int kMsgBaseNameEmpty = 2146;
constexpr int kAskOverwrite = 2147;
constexpr int kMsgPathNotAbsolute = 2148;
constexpr int kMsgRdtNotSaved = 2149;
constexpr int kMsgAdtNotSaved = 2150;
constexpr int kMsgSpdNotSaved = 2151;
constexpr int kMsgDsdNotSaved = 2152;
constexpr int kMsgYdtNotSaved = 2153;
constexpr int kMsgYspNotSaved = 2154;
constexpr int kMsgSdtNotSaved = 2155;
constexpr int kSaveRawFromWave = 2162;              // raw-data check box for a WAV file
constexpr int kCaptionError = 2170;

// ---- Waveform cut-out dialog (151) messages ----
constexpr int kCutMsgNoMemory = 2173;
constexpr int kCutMsgStartNegative = 2174;
constexpr int kMsgCutEndBeyondWaveform = 2175;
constexpr int kMsgCutStartAfterEnd = 2176;
constexpr int kCutMsgFileNameEmpty = 2178;
constexpr int kCutMsgNoWaveform = 2180;
constexpr int kCutMsgTargetIsCurrent = 2182;
constexpr int kCutMsgNotCreated = 2183;
constexpr int kCutMsgNotWritten = 2184;
constexpr int kFilterWaveFile = 2185;

// ---- Integer edits of the settings dialogs ----
constexpr int kMsgIntegerRange = 2186;              // %s %s  lower and upper bound

// ---- Data-file save dialog (150): captions ----
constexpr int kSaveCaption = 3200;
constexpr int kSaveDataArea = 3201;                 // check box 1131
constexpr int kSaveDirectory = 3202;                // label of edit 1122
constexpr int kSaveBrowse = 3203;                   // button 1123 (and the hidden 1140 of 151)
constexpr int kSaveFileName = 3204;                 // label of edit 1118
constexpr int kSaveKindRaw = 3205;                  // check boxes 1104 … 1110
constexpr int kSaveKindAnalysis = 3206;
constexpr int kSaveKindSpectrum = 3207;
constexpr int kSaveKindDifSpectrum = 3208;
constexpr int kSaveKindYuragi = 3209;
constexpr int kSaveKindYuragiSpectrum = 3210;
constexpr int kSaveKindSquareMean = 3211;
constexpr int kSaveButton = 3212;                   // button 1 "保存する"

// ---- Waveform cut-out dialog (151): messages of our own ----
constexpr int kCutMsgEnterNumber = 3220;            // a time edit holds no number
constexpr int kCutMsgWaveformEmpty = 3221;          // the chosen waveform holds no data
// ---- File-name dialog (1064) ----
constexpr int kFileNameDirectoryLabel = 3150;       // label of edit 1121
constexpr int kFileNameNameLabel = 3151;            // label of edit 1124
constexpr int kFileNameBrowse = 3152;               // buttons 1130 and 1129 ("参照...")
constexpr int kFileNameSave = 3153;                 // button 1 ("保存")
// ---- Comparison viewer start ----
constexpr int kMsgViewerParametersNotWritten = 3250;  // %s temporary parameter file
constexpr int kMsgViewerNotStarted = 3251;            // %s program
// ---- Waveform collection dialog (153) ----
constexpr int kCollectCaption = 3000;
constexpr int kCollectStopped = 3001;
constexpr int kCollectWaiting = 3002;
constexpr int kCollectRecording = 3003;
constexpr int kCollectFreeSpace = 3004;             // %s  free bytes
constexpr int kCollectStart = 3005;                 // button 1154
constexpr int kCollectMsgPrepareFailed = 3006;
constexpr int kCollectMsgSpaceCheckFailed = 3007;
constexpr int kCollectMsgAcquisitionFailed = 3008;
constexpr int kCollectMsgSpaceShort = 3009;         // also the caption of its box
constexpr int kCollectMsgBytesNeeded = 3010;        // %s  bytes required
constexpr int kCollectMsgRawDataFailed = 3011;      // followed by the failed names
constexpr int kCollectCountLabel = 3012;            // label of 1156
constexpr int kMenuCollect = 3013;                  // command 32806
// ---- Parameter save dialog (142) ----
constexpr int kPrmSaveCaption = 3100;               // caption, button 1089
constexpr int kPrmSaveYuragiOnly = 3101;            // radio 1085
constexpr int kPrmSaveFreqOnly = 3102;              // radio 1086
constexpr int kPrmSaveBoth = 3103;                  // radio 1087
constexpr int kPrmSaveNoFilter = 3104;              // "なし" in 1081
constexpr int kPrmSaveCsv = 3105;                   // button 1088
constexpr int kPrmSaveBrowse = 3106;                // button 1033
constexpr int kPrmSaveFileName = 3107;              // label of static 1093
constexpr int kPrmSaveYuragiGroup = 3108;           // heading of 1077 .. 1080
constexpr int kPrmSaveFreqGroup = 3109;             // heading of 1081 .. 1083
constexpr int kPrmSaveFilterType = 3110;            // label of 1081
constexpr int kPrmSaveUse = 3111;                   // heading of the use radios
constexpr int kMsgPrmFileNameEmpty = 3112;          // caption kCaptionError
constexpr int kAskPrmSamplingFrequency = 3113;      // caption kCaptionPrmSamplingFrequency
constexpr int kCaptionPrmSamplingFrequency = 3114;
constexpr int kMsgPrmSaved = 3115;                  // caption kCaptionPrmSaveDone
constexpr int kCaptionPrmSaveDone = 3116;
constexpr int kMsgPrmSaveFailed = 3117;             // caption kCaptionError
constexpr int kMsgPatternNotBuilt = 3118;           // caption kCaptionError
constexpr int kMsgPatternSaved = 3119;              // caption kCaptionPrmSaveDone
constexpr int kFilterPreprocessingFile = 3120;      // "前処理フィルタ|*.prf|全てのファイル|*.*||"

// ---- Noise-level settings dialog (170) and page (169) ----
constexpr int kNoiseShow = 3121;                    // check 1225
constexpr int kNoiseRangeList = 3122;               // label of list 1226
constexpr int kNoiseVolt = 3123;                    // unit 1229
constexpr int kNoiseDecibel = 3124;                 // unit 1231

// ---- Difference spectrum (138) and difference waveform (139) pages; caption kCaptionError ----
constexpr int kMsgDifToTooSmall = 3125;
constexpr int kMsgDifFromTooLarge = 3126;
constexpr int kMsgDifNoMoreMarks = 3127;
constexpr int kMsgDifUpperTooSmall = 3128;
constexpr int kMsgDifLowerTooLarge = 3129;

// ---- Analysis result dialog (161) ----
constexpr int kResultCaption = 3130;
constexpr int kResultTotalArea = 3131;
constexpr int kResultExceedingArea = 3132;

// ---- Status bar while long work runs ----
constexpr int kStatusReadingFile = 3450;
constexpr int kStatusComputingChain = 3451;
constexpr int kStatusComputingMeasure = 3452;
constexpr int kStatusComputingSpectra = 3453;

// ---- Why a waveform file is refused, and the spectrum page's read-out ----
// The reasons take the file's name first ("%s: ..."); numbers come as texts.
constexpr int kMsgFilesNotOpened = 3500;            // heading over the reasons of refused files
constexpr int kReasonNotFound = 3501;               // %s name
constexpr int kReasonPermissionDenied = 3502;       // %s name
constexpr int kReasonCannotRead = 3503;             // %s name, %s system error text
constexpr int kReasonNotRegularFile = 3504;         // %s name
constexpr int kReasonEmpty = 3505;                  // %s name
constexpr int kReasonNotWaveform = 3506;            // %s name
constexpr int kReasonWavHeaderCut = 3507;           // %s name, %s bytes in the file
constexpr int kReasonWavNoFormat = 3508;            // %s name
constexpr int kReasonChannels = 3509;               // %s name, %s channels
constexpr int kReasonPcmBits = 3510;                // %s name, %s bits
constexpr int kReasonFloat = 3511;                  // %s name, %s bits
constexpr int kReasonExtensible = 3512;             // %s name, %s bits
constexpr int kReasonFormatTag = 3513;              // %s name, %s format tag
constexpr int kReasonBlockAlign = 3514;             // %s name, %s block align, %s bits
constexpr int kReasonSampleRate = 3515;             // %s name, %s Hz
constexpr int kReasonNoSamples = 3516;              // %s name
constexpr int kReasonDataCut = 3517;                // %s name, %s bytes there, %s bytes announced
constexpr int kReasonRawHeader = 3518;              // %s name, %s line number, %s key
constexpr int kReasonRawCut = 3519;                 // %s name, %s lines there, %s samples announced
constexpr int kReasonOutOfMemory = 3520;            // %s name
constexpr int kReasonNotStored = 3521;              // %s name
constexpr int kSpectrumReadFrequency = 3522;        // read-out label: frequency under the mouse
constexpr int kSpectrumReadUpper = 3523;            // read-out label: level of the upper spectrum
constexpr int kSpectrumReadLower = 3524;            // read-out label: level of the lower spectrum

// ---- Data-quality guard: the warning line (status bar and abnormal-sound page) ----
// kQualityRetest is followed by the checks that fired, separated by ", ";
// kQualityClipping and kQualityDropout take the time in seconds ("0.208").
constexpr int kQualityRetest = 3600;
constexpr int kQualityClipping = 3601;
constexpr int kQualityDeadChannel = 3602;
constexpr int kQualityDropout = 3603;
constexpr int kQualityDcOffset = 3604;
constexpr int kQualityTooShort = 3605;

// ---- Results store: the settings item and the status bar ----
constexpr int kMenuSettingsRecordResults = 3700;  // check item in the Settings menu
constexpr int kPromptRecordResults = 3701;
constexpr int kResultsQueued = 3702;     // %s number of verdicts waiting for the server
constexpr int kResultsNotStored = 3703;  // %s why

// ---- Page pictures: Edit menu commands, title strip and side column ----
constexpr int kMenuEditCopyPicture = 3650;
constexpr int kMenuEditSavePicture = 3651;
constexpr int kPromptCopyPicture = 3652;
constexpr int kPromptSavePicture = 3653;
constexpr int kFilterPicture = 3654;  // PNG and SVG
constexpr int kTitleSavePicture = 3655;
constexpr int kMsgPictureNotWritten = 3656;  // %s path
constexpr int kPictureData = 3657;  // %u Hz, %u points
constexpr int kPictureSettings = 3658;  // %u pitch, %d %d %d yuragi, %d smoothing, %g level, %g pass
constexpr int kPictureNoFilter = 3659;
constexpr int kPictureLpf = 3660;  // %u cut-off, %u taps
constexpr int kPictureHpf = 3661;  // %u cut-off, %u taps
constexpr int kPictureBpf = 3662;  // %u %u band, %u taps
constexpr int kPictureBef = 3663;  // %u %u band, %u taps
constexpr int kPictureVerdictOk = 3664;
constexpr int kPictureVerdictNg = 3665;
constexpr int kPictureVerdictNone = 3666;
constexpr int kPicturePeaks = 3667;
// ---- Results store: verdicts held in memory, the settings dialog ----
constexpr int kResultsHeld = 3704;  // %s number of verdicts kept in memory, %s why
constexpr int kMenuSettingsResultsStore = 3705;  // Settings menu item opening the dialog
constexpr int kPromptResultsStore = 3706;
constexpr int kTitleResultsStore = 3707;
constexpr int kLabelResultsStore = 3708;    // the store's path or URL
constexpr int kLabelResultsStation = 3709;
constexpr int kHintResultsDefault = 3710;  // %s the value an empty field stands for

// Every id above, once, ascending. Each language file holds a text for each.
inline constexpr int kAllIds[] = {
    1,    2,    3,    4,    5,    6,    7,    8,    9,    10,   11,   12,   13,   14,   15,   16,
    17,   18,   19,   20,   21,   22,   24,   25,   26,   27,   28,   29,   31,   41,   42,   43,
    46,   100,  101,  102,  103,  200,  201,  202,  205,  206,  207,  210,  250,  300,  301,  302,
    303,  304,  305,  306,  307,  308,  311,  370,  371,  372,  375,  376,  377,  378,  380,  381,
    382,  383,  384,  385,  386,  387,  388,  389,  390,  391,  400,  401,  402,  403,  404,  405,
    406,  407,  408,  409,  410,  411,  502,  561,  564,  580,  581,  582,
    583,  584,  585,  586,  587,  588,  589,  590,  600,  601,  602,  603,  604,  605,  606,  607,
    608,  609,  610,  611,  612,  620,  650,  651,  652,  1000, 1001, 1002, 1003, 1004, 1005, 1006,
    1007, 1008, 1009, 1030, 1031, 1032, 1033, 1034, 1035, 1036, 1037, 1038, 1039, 1040, 1041, 1042,
    1043, 1044, 1045, 1046, 1047, 1048, 1049, 1050, 1051, 1052, 1053, 1054, 1055, 1056, 1057, 1058,
    1060, 1061, 1131, 1133, 1136, 1137, 1143, 1144, 1148, 1151, 1152, 1153, 1156, 1157, 1158, 2000,
    2001, 2002, 2004, 2005, 2006, 2007, 2008, 2009, 2010, 2016, 2018, 2020, 2021, 2023, 2024, 2026,
    2031, 2032, 2033, 2034, 2035, 2036, 2037, 2038, 2039, 2041, 2042, 2044, 2045, 2046, 2047, 2048,
    2049, 2050, 2051, 2052, 2053, 2054, 2055, 2056, 2057, 2058, 2059, 2060, 2061, 2062, 2063, 2064,
    2065, 2066, 2067, 2068, 2075, 2076, 2077, 2080, 2083, 2085, 2088, 2089, 2090, 2091, 2092, 2094,
    2095, 2096, 2097, 2098, 2099, 2100, 2101, 2102, 2103, 2104, 2107, 2108, 2110, 2111, 2113, 2114,
    2115, 2126, 2127, 2128, 2129, 2132, 2134, 2135, 2136, 2137, 2138, 2139, 2140, 2141, 2142, 2143,
    2144, 2145, 2146, 2147, 2148, 2149, 2150, 2151, 2152, 2153, 2154, 2155, 2162, 2170, 2173, 2174,
    2175, 2176, 2178, 2180, 2182, 2183, 2184, 2185, 2186,
    3000, 3001, 3002, 3003, 3004, 3005, 3006, 3007, 3008, 3009, 3010, 3011, 3012, 3013,
    3100, 3101, 3102, 3103, 3104, 3105, 3106, 3107, 3108, 3109, 3110, 3111, 3112, 3113, 3114, 3115,
    3116, 3117, 3118, 3119, 3120, 3121, 3122, 3123, 3124, 3125, 3126, 3127, 3128, 3129, 3130, 3131, 3132,
    3150, 3151, 3152, 3153,
    3200, 3201, 3202, 3203, 3204, 3205, 3206, 3207, 3208, 3209, 3210, 3211, 3212, 3220, 3221,
    3250, 3251, 3450, 3451, 3452, 3453,
    3500, 3501, 3502, 3503, 3504, 3505, 3506, 3507, 3508, 3509, 3510, 3511, 3512, 3513, 3514, 3515, 3516, 3517, 3518, 3519, 3520, 3521, 3522, 3523, 3524,
    3600, 3601, 3602, 3603, 3604, 3605,
    3650, 3651, 3652, 3653, 3654, 3655, 3656, 3657, 3658, 3659, 3660, 3661, 3662, 3663, 3664, 3665, 3666, 3667,
    3700, 3701, 3702, 3703,
    3704, 3705, 3706, 3707, 3708, 3709, 3710,
};

// The texts that take values, with their printf conversions in order
// ('d' int32_t, 'u' uint32_t, 'f' double, 's' text). All other texts take none.
struct FormattedText {
  int id;
  const char* conversions;
};
inline constexpr FormattedText kFormattedTexts[] = {
    {kMsgNoAcceptedFile, "s"},        {kTitleDefaultDirectory, "s"},    {kFilterParameterFile, "ss"},
    {kPrintSamplingPitch, "u"},       {kPrintYuragiParam1, "d"},        {kPrintYuragiParam2, "d"},
    {kPrintYuragiParam3, "d"},        {kPrintSamplingFrequency, "u"},   {kPrintHpfTaps, "u"},
    {kPrintHpfCutOff, "u"},           {kPrintBpfTaps, "u"},             {kPrintBpfBand, "uu"},
    {kPrintBefTaps, "u"},             {kPrintBefBand, "uu"},            {kPrintLpfTaps, "u"},
    {kPrintLpfCutOff, "u"},           {kPrintDataPoints, "u"},          {kPrintSmoothing, "d"},
    {kPrintPeakThreshold, "f"},       {kPrintPassThreshold, "f"},       {kPrintAcqSamplingFrequency, "u"},
    {kPrintAcquisitionTime, "f"},     {kFilterEnvironmentFile, "ss"},   {kDescEnvironmentFile, "s"},
    {kDescParameterFile, "s"},        {kMsgIntegerRange, "ss"},
    {kMsgViewerParametersNotWritten, "s"}, {kMsgViewerNotStarted, "s"}, {kCollectFreeSpace, "s"},
    {kCollectMsgBytesNeeded, "s"},
    {kReasonNotFound, "s"}, {kReasonPermissionDenied, "s"}, {kReasonCannotRead, "ss"}, {kReasonNotRegularFile, "s"},
    {kReasonEmpty, "s"}, {kReasonNotWaveform, "s"}, {kReasonWavHeaderCut, "ss"}, {kReasonWavNoFormat, "s"},
    {kReasonChannels, "ss"}, {kReasonPcmBits, "ss"}, {kReasonFloat, "ss"}, {kReasonExtensible, "ss"},
    {kReasonFormatTag, "ss"}, {kReasonBlockAlign, "sss"}, {kReasonSampleRate, "ss"}, {kReasonNoSamples, "s"},
    {kReasonDataCut, "sss"}, {kReasonRawHeader, "sss"}, {kReasonRawCut, "sss"}, {kReasonOutOfMemory, "s"},
    {kReasonNotStored, "s"},
    {kQualityClipping, "s"},          {kQualityDropout, "s"},
    {kResultsQueued, "s"}, {kResultsNotStored, "s"}, {kResultsHeld, "ss"}, {kHintResultsDefault, "s"},
    {kMsgPictureNotWritten, "s"}, {kPictureData, "uu"}, {kPictureSettings, "uddddff"}, {kPictureLpf, "uu"},
    {kPictureHpf, "uu"}, {kPictureBpf, "uuu"}, {kPictureBef, "uuu"},
};

}  // namespace kr70::text

#endif
