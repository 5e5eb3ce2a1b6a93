// The texts users see that code sets (messages, captions, status texts),
// each under a fixed resource id, so that the language in effect can
// replace them: resStr(id) asks the localiser once it has installed itself.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace kestrune {

struct TResourceString {
    uint16_t id;
    const char* unit;
    const char* name;
    const char* text;
};

namespace res {
constexpr uint16_t SGammaHintHeading = 4000;  // .. 4007: the eight lines of the gamma hint
constexpr uint16_t SGammaHintLines = 8;
constexpr uint16_t SSaveTempsSave = 4008;
constexpr uint16_t SSaveTempsTemps = 4009;
constexpr uint16_t SFireExplain = 4010;
constexpr uint16_t SHelpFileMissing = 4020;
constexpr uint16_t SNoPassLoaded = 4021;
constexpr uint16_t SFlipping = 4022;
constexpr uint16_t SPassFileMissing = 4030;
constexpr uint16_t SPassIsFolder = 4031;
constexpr uint16_t SNoFileMatches = 4032;
constexpr uint16_t SNotWritten = 4040;
constexpr uint16_t SNoSuchSwitch = 4041;
constexpr uint16_t SChannelTemperatures = 4042;
constexpr uint16_t SSstData = 4043;
constexpr uint16_t SFirePixelList = 4044;
constexpr uint16_t SRawChannelFile = 4045;
constexpr uint16_t SAlbedoFile = 4046;
constexpr uint16_t SDiagnostics = 4047;
constexpr uint16_t SViewNotOffered = 4048;
constexpr uint16_t STheImage = 4049;
constexpr uint16_t SNoFileName = 4050;
constexpr uint16_t SNoSuchChannel = 4051;
constexpr uint16_t STakenAsImage = 4052;
constexpr uint16_t SNoOutputFolder = 4053;
constexpr uint16_t SNoPaletteFile = 4054;
constexpr uint16_t SNotAPalette = 4055;
constexpr uint16_t SRgbNotUnderstood = 4056;
constexpr uint16_t SRgbChannelMissing = 4057;
constexpr uint16_t SNoAptOfGac = 4058;
constexpr uint16_t SSstRangeBeyond = 4059;
constexpr uint16_t SLowMemoryNextRun = 4060;
constexpr uint16_t SLowMemoryChanged = 4061;
constexpr uint16_t SOpenAgainForDespeckle = 4062;
constexpr uint16_t SRestartNeeded = 4063;
constexpr uint16_t SNoHrptData = 4064;
constexpr uint16_t STelemetry = 4065;
constexpr uint16_t SChooseResultsPath = 4066;
constexpr uint16_t SResultsPathCancel = 4067;
constexpr uint16_t SNudgeHint = 4080;
constexpr uint16_t SOpenPalette = 4081;
constexpr uint16_t SPaletteFiles = 4082;
constexpr uint16_t SAllFiles = 4083;
constexpr uint16_t SPaletteFrom = 4084;
constexpr uint16_t SUncheckStretch = 4085;
constexpr uint16_t SOpen = 4100;
constexpr uint16_t SStop = 4101;
constexpr uint16_t SFileNoLongerExists = 4102;
constexpr uint16_t SUnexpectedError = 4103;
constexpr uint16_t SCannotOpenFile = 4104;
constexpr uint16_t SPrinting = 4105;
constexpr uint16_t SBitmapLoadError = 4106;
constexpr uint16_t SReplacePrintFile = 4107;
constexpr uint16_t SPrintSelectionEmpty = 4108;
constexpr uint16_t SReadingData = 4120;
constexpr uint16_t SCouldNotUnzip = 4121;
constexpr uint16_t SFileTooSmall = 4122;
constexpr uint16_t SFewDataLines = 4123;
constexpr uint16_t STenBLineLength = 4124;
constexpr uint16_t SRegionTooSmall = 4125;
constexpr uint16_t SConfirmPassDirection = 4126;
constexpr uint16_t SFormatNotRecognised = 4127;
constexpr uint16_t SFormatNotReadable = 4128;
constexpr uint16_t SReadingCancelled = 4129;
constexpr uint16_t SNoRecordSize = 4130;
constexpr uint16_t STooFewLines = 4131;
constexpr uint16_t SNoChannel = 4132;
constexpr uint16_t SNoSync = 4133;
constexpr uint16_t SPassTooLong = 4135;
constexpr uint16_t SQuorumNotRecognised = 4134;
constexpr uint16_t SMappingChannels = 4140;
constexpr uint16_t SCrispening = 4141;
constexpr uint16_t SBuildingFireOverlay = 4142;
constexpr uint16_t SBuildingBlendScreen = 4143;
constexpr uint16_t SBuildingLookup = 4144;
constexpr uint16_t SBuildingVegLookup = 4145;
constexpr uint16_t SBuildingSstLookup = 4146;
constexpr uint16_t SBuildingAshLookup = 4147;
constexpr uint16_t SInvalidRgb = 4148;
constexpr uint16_t SInvalidUserRgb = 4149;
constexpr uint16_t SGroundPathMissing = 4150;
constexpr uint16_t SBoundaryError = 4151;
constexpr uint16_t SWritingFile = 4152;
constexpr uint16_t SNoSstWithoutLocation = 4153;
constexpr uint16_t SDataSavedTo = 4154;
constexpr uint16_t STemperature = 4155;
constexpr uint16_t SSst = 4156;
constexpr uint16_t SCorrectGeometry = 4160;
constexpr uint16_t SSavingTo = 4161;
constexpr uint16_t SSavedAsOther = 4162;
constexpr uint16_t SNoCorrectedImage = 4163;
constexpr uint16_t SNoAptImage = 4164;
constexpr uint16_t SNoGacImage = 4165;
constexpr uint16_t SSavedElsewhere = 4166;
constexpr uint16_t SResultsFolder = 4167;
constexpr uint16_t SSourceFolder = 4168;
constexpr uint16_t SNoWriteAccess = 4169;
constexpr uint16_t SDetectingFires = 4170;
constexpr uint16_t SBadPairs = 4171;
constexpr uint16_t SNoOverlayPoints = 4172;
constexpr uint16_t SHistogramTitle = 4180;
constexpr uint16_t SRedMarks = 4181;
constexpr uint16_t SRmsError = 4182;
constexpr uint16_t SAbout = 4183;
constexpr uint16_t SSelectBoundarySource = 4184;
constexpr uint16_t SSelectUserOverlaySource = 4185;
constexpr uint16_t SAnnotationCodes = 4186;
constexpr uint16_t SBrowseMetop = 4187;
constexpr uint16_t SBrowseEars = 4188;
constexpr uint16_t SFrom = 4189;
constexpr uint16_t SGammaRed = 4190;
constexpr uint16_t SGammaGreen = 4191;
constexpr uint16_t SGammaBlue = 4192;
// The views' names in their order (the tabs' captions), and the mapping captions of views other than the channels'.
constexpr uint16_t SViewNames = 4200;
constexpr uint16_t SMappingCaptions = 4230;
constexpr uint16_t SMappingChannel = 4260;
constexpr uint16_t SMappingChannelMir = 4261;
constexpr uint16_t SMappingChannelB = 4262;
// The pass browser's.
constexpr uint16_t SBrowseSelectedFile = 4300;
// The loader's refusals of Level 1b, L1F and 10B files and of files cut short.
constexpr uint16_t SLevel1bHeaderCut = 4310;
constexpr uint16_t SLevel1bVersion = 4311;
constexpr uint16_t SLevel1bNoHeaderRecords = 4312;
constexpr uint16_t SLevel1bNotSupported = 4313;
constexpr uint16_t SLevel1bDataType = 4314;
constexpr uint16_t SLevel1bScans = 4315;
constexpr uint16_t SEndsBeforeData = 4316;
constexpr uint16_t SNoHeaderDate = 4317;
constexpr uint16_t STenBFractionLines = 4318;
constexpr uint16_t SCannotSeek = 4319;
constexpr uint16_t SReadBeyondEnd = 4320;
constexpr uint16_t SFileTooSmallShort = 4321;
constexpr uint16_t SFileTooBig = 4322;
// The fire detection window's.
constexpr uint16_t SFireRegionSize = 4323;
// The loader's status texts, and errors from below the windows that reach a message box.
constexpr uint16_t SReadFailed = 4324;
constexpr uint16_t SPressShiftForBrowser = 4325;
constexpr uint16_t SReadingTook = 4326;
constexpr uint16_t SLargeMemory = 4327;
constexpr uint16_t SSmallMemory = 4328;
constexpr uint16_t SInvalidChannels = 4329;
constexpr uint16_t SMappingNotAvailable = 4330;
constexpr uint16_t SUnableToWrite = 4331;
constexpr uint16_t SJpegWriteError = 4332;
// The image-name window's.
constexpr uint16_t SExamplePass = 4333;
// The pass-direction dialog's hints.
constexpr uint16_t SHintConfirmDate = 4334;
constexpr uint16_t SHintConfirmYear = 4335;
constexpr uint16_t SHintYearAndSatellite = 4336;
constexpr uint16_t SHintConfirmUtcDate = 4337;
constexpr uint16_t SHintConfirmSatelliteStart = 4338;
constexpr uint16_t SHintConfirmDateDirection = 4339;
// The cursor read-out's prompt (followed by the unit a click switches to) and the temperature profile's title.
constexpr uint16_t SCursorUnitsPrompt = 4340;
constexpr uint16_t SProfileChartTitle = 4341;
// The folder-browse dialog's.
constexpr uint16_t SBrowseForFolder = 4342;
constexpr uint16_t SCreateFolder = 4343;
constexpr uint16_t SCreateFolderHint = 4344;
constexpr uint16_t SDeleteFolder = 4345;
constexpr uint16_t SDeleteFolderHint = 4346;
constexpr uint16_t SOk = 4347;
constexpr uint16_t SCancel = 4348;
// The help viewer's failures.
constexpr uint16_t SHelpNotInstalled = 4349;
constexpr uint16_t SKeyHHMissing = 4350;
constexpr uint16_t SHHMissing = 4351;
constexpr uint16_t SHelpUnknownError = 4352;
// A copy's name beside its original, and the question a paste or drop onto a taken name asks.
constexpr uint16_t SCopyName = 4360;
constexpr uint16_t SCopyNameNumbered = 4361;
constexpr uint16_t SNameTakenCaption = 4362;
constexpr uint16_t SNameTaken = 4363;
constexpr uint16_t SNameTakenFolder = 4364;
constexpr uint16_t SNameTakenFile = 4365;
constexpr uint16_t SClashReplace = 4366;
constexpr uint16_t SClashSkip = 4367;
constexpr uint16_t SClashKeepBoth = 4368;
constexpr uint16_t SClashForAll = 4369;
// What a copy or move that stopped tells: the item, why, and what was left undone.
constexpr uint16_t SCopyFailed = 4370;
constexpr uint16_t SMoveFailed = 4371;
constexpr uint16_t SNotCopiedEither = 4372;
constexpr uint16_t SNotMovedEither = 4373;
constexpr uint16_t SCopyIntoItself = 4374;
constexpr uint16_t SCopySourceGone = 4375;
constexpr uint16_t SNameTakenGone = 4376;
// A folder a copy cut short left, kept for the user.
constexpr uint16_t SPartFolderKept = 4377;
constexpr uint16_t SPartFolderSourceUnknown = 4378;
constexpr uint16_t SPartFolderKeptCut = 4379;
// The main window's options.
constexpr uint16_t SCompositionNoEffect = 4390;
// Print setup's choice of a PDF file instead of a printer.
constexpr uint16_t SPrintToPdfFile = 4391;
// The Open dialog's filters and the main window's caption.
constexpr uint16_t SHrptFiles = 4400;
constexpr uint16_t SAllFilesAnyExtension = 4401;
constexpr uint16_t SMainCaption = 4402;
constexpr uint16_t SHelpWindowTitle = 4403;
constexpr uint16_t SFormatCaption = 4404;
// The About box's version texts, and a channel's short name.
constexpr uint16_t SAboutComments = 4405;
constexpr uint16_t SAboutTrademarks = 4406;
constexpr uint16_t SChannelShort = 4407;
constexpr uint16_t SChannelVideoHint = 4408;
// What the shell's folders call their columns, kinds of item and places.
constexpr uint16_t SColumnName = 4600;
constexpr uint16_t SColumnSize = 4601;
constexpr uint16_t SColumnType = 4602;
constexpr uint16_t SColumnDateModified = 4603;
constexpr uint16_t SColumnModified = 4604;
constexpr uint16_t SFileFolder = 4605;
constexpr uint16_t SFileOfType = 4606;
constexpr uint16_t SFileOfNoType = 4607;
constexpr uint16_t SDesktop = 4608;
constexpr uint16_t SComputer = 4609;
constexpr uint16_t SHomeFolder = 4610;
constexpr uint16_t SFileSystem = 4611;
// The telemetry window's lines.
constexpr uint16_t STelemetryFromData = 4620;
constexpr uint16_t STelemetryAssumed = 4621;
constexpr uint16_t SMeasuredBlackbody = 4622;
constexpr uint16_t SApparentBlackbody = 4623;
// The captions and filters of the file dialogs of the video adjust, print, side panel and overlay windows.
constexpr uint16_t SOpenTransferFile = 4630;
constexpr uint16_t SSaveTransferFile = 4631;
constexpr uint16_t STransferFiles = 4632;
constexpr uint16_t SPrintToPdf = 4633;
constexpr uint16_t SPdfFiles = 4634;
constexpr uint16_t SLandSeaMaskFile = 4635;
constexpr uint16_t SOverlayDataFiles = 4636;
constexpr uint16_t SGshhsFiles = 4637;
constexpr uint16_t SKmlFiles = 4638;
// What a delete that stopped tells: the item, why, and what is still there.
constexpr uint16_t SDeleteFailed = 4640;
constexpr uint16_t SNotDeletedEither = 4641;
// The shell controls' texts: names they give, questions, menus and verbs.
constexpr uint16_t SNewFolder = 4650;
constexpr uint16_t SNewFolderShort = 4651;
constexpr uint16_t SUnableToCreateFolder = 4652;
constexpr uint16_t SKilobytes = 4653;
constexpr uint16_t SConfirmDeleteForGood = 4654;
constexpr uint16_t SConfirmDeleteCaption = 4655;
constexpr uint16_t SFolderWithContents = 4656;
constexpr uint16_t SMoreItems = 4657;
constexpr uint16_t SOneFile = 4658;
constexpr uint16_t SFiles = 4659;
constexpr uint16_t SOneByte = 4660;
constexpr uint16_t SBytes = 4661;
constexpr uint16_t SSystemFolder = 4662;
constexpr uint16_t SCopyHere = 4663;
constexpr uint16_t SMoveHere = 4664;
constexpr uint16_t SCancelDrop = 4665;
constexpr uint16_t SSendTo = 4666;
constexpr uint16_t SVerbOpen = 4667;
constexpr uint16_t SVerbCut = 4668;
constexpr uint16_t SVerbCopy = 4669;
constexpr uint16_t SVerbPaste = 4670;
constexpr uint16_t SVerbDelete = 4671;
constexpr uint16_t SVerbRename = 4672;
constexpr uint16_t SVerbOpenHelp = 4673;
constexpr uint16_t SVerbCutHelp = 4674;
constexpr uint16_t SVerbCopyHelp = 4675;
constexpr uint16_t SVerbPasteHelp = 4676;
constexpr uint16_t SVerbDeleteHelp = 4677;
constexpr uint16_t SVerbRenameHelp = 4678;
constexpr uint16_t SDeleteEllipsis = 4679;
constexpr uint16_t SCreateEllipsis = 4680;
// The profile's axis: a value with its compass point.
constexpr uint16_t SDegreesNorth = 4685;
constexpr uint16_t SDegreesSouth = 4686;
constexpr uint16_t SDegreesEast = 4687;
constexpr uint16_t SDegreesWest = 4688;
// The system's messages of its error codes.
constexpr uint16_t SErrorSuccess = 4690;
constexpr uint16_t SErrorFileNotFound = 4691;
constexpr uint16_t SErrorPathNotFound = 4692;
constexpr uint16_t SErrorAccessDenied = 4693;
constexpr uint16_t SErrorDiskFull = 4694;
constexpr uint16_t SErrorInvalidName = 4695;
constexpr uint16_t SErrorAlreadyExists = 4696;
constexpr uint16_t SErrorCancelled = 4697;
constexpr uint16_t SErrorCode = 4698;
// A pass most of whose frames carry no telemetry, and an error that names nothing.
constexpr uint16_t SManyBadFrames = 4699;
constexpr uint16_t SUnknownError = 4700;
// The loader's: a file cut short while it was read, a pass log line that cannot be written, a Meteor M-N2 recording not converted, a Level 1b file shorter than its header says.
constexpr uint16_t SCutShortWhileRead = 4710;
constexpr uint16_t SProcessedLineElsewhere = 4711;
constexpr uint16_t SProcessedLineNowhere = 4712;
constexpr uint16_t SProcessedListNorIn = 4713;
constexpr uint16_t SMeteorNotConverted = 4714;
constexpr uint16_t SRecordingCannotOpen = 4715;
constexpr uint16_t SRecordingUnreadable = 4716;
constexpr uint16_t SRecordingTooLarge = 4717;
constexpr uint16_t SLevel1bRecordsCut = 4718;
constexpr uint16_t SLevel1bScansCut = 4719;
constexpr uint16_t SLevel1bScansCutRecords = 4720;
// What the settings store tells of itself: what stands in its place, why it was set aside or left alone, a save that failed.
constexpr uint16_t SStoreFolderIsFile = 4730;
constexpr uint16_t SStoreCannotOpen = 4731;
constexpr uint16_t SStoreIsKind = 4733;
constexpr uint16_t SStoreKindFolder = 4734;
constexpr uint16_t SStoreKindPipe = 4735;
constexpr uint16_t SStoreKindSocket = 4736;
constexpr uint16_t SStoreKindDevice = 4737;
constexpr uint16_t SStoreKindOther = 4738;
constexpr uint16_t SStoreTooLarge = 4739;
constexpr uint16_t SStoreUnreadable = 4740;
constexpr uint16_t SStoreKeptAside = 4741;
constexpr uint16_t SStoreNotKeptAside = 4742;
constexpr uint16_t SStoreDefaults = 4743;
constexpr uint16_t SStoreLeftAlone = 4744;
constexpr uint16_t SStoreUnreadableNotKept = 4745;
constexpr uint16_t SStoreNotSaved = 4746;
// Lines of the store that are no setting, kept as they stand; a stored value its setting cannot take.
constexpr uint16_t SStoreLinesKept = 4732;
constexpr uint16_t SStoreLineAt = 4747;
constexpr uint16_t SStoreMoreLines = 4748;
constexpr uint16_t SStoredValueIgnored = 4749;
// Files kept beside the program: what stands in their place, one far too large, and what became of it; a settings store holding none.
constexpr uint16_t SFileIsKind = 4780;
constexpr uint16_t SFileTooLarge = 4781;
constexpr uint16_t SFileCannotOpen = 4782;
constexpr uint16_t SFileLeftAlone = 4783;
constexpr uint16_t SFileKeptAside = 4784;
constexpr uint16_t SFileNotKeptAside = 4785;
constexpr uint16_t SStoreNoSettings = 4786;
// The loader's: a file cut short and written again while it was read.
constexpr uint16_t SChangedWhileRead = 4787;
// A pass file that is a named pipe, a device or another thing that is no file.
constexpr uint16_t SPassIsKind = 4788;
// Why a write did not replace what stands at its place.
constexpr uint16_t SNotReplaced = 4789;
// A palette file named on the command line that is no file or far too large.
constexpr uint16_t SPaletteLeftAlone = 4790;
// What an unpacked file too large tells, and the lines an unattended run tells of a pass that loaded.
constexpr uint16_t SUnpacksTooLarge = 4750;
constexpr uint16_t SDatedByFileDate = 4751;
constexpr uint16_t SSatelliteMismatchFramesUsed = 4752;
constexpr uint16_t SSatelliteMismatchFileUsed = 4753;
constexpr uint16_t SNoElementSetsFound = 4754;
constexpr uint16_t SElementSetOutOfDate = 4755;
constexpr uint16_t STimedNotLocated = 4756;
constexpr uint16_t SNotLocated = 4757;
constexpr uint16_t SNotLocatedCause = 4758;
// A satellite that frames looked at before reading named, and the whole pass's frames another.
constexpr uint16_t SSatelliteMismatchFramesLookedAt = 4860;
// A Meteor conversion that could be written neither beside its recording nor in a private folder.
constexpr uint16_t SConversionWrittenNowhere = 4861;
// Name rules of a format left unused, and why; a pass dated by its file whose
// name holds a date; a refused ".wsd"; a name's last two characters outranked by frames.
constexpr uint16_t SNameSatelliteUnknown = 4870;
constexpr uint16_t SNameYearImpossible = 4871;
constexpr uint16_t SDatedByFileDateNameHolds = 4872;
constexpr uint16_t SWsdNameLacksSatellite = 4873;
constexpr uint16_t SSatelliteNameDigitsYielded = 4874;
constexpr uint16_t SNameFormNotSmartView = 4875;
// A pass dated by its file because its name's layout was left unused.
constexpr uint16_t SDatedByFileDateNameUnused = 4876;
// A name's start time that the pass's frames contradict (a station's local time).
constexpr uint16_t SNameTimeNotFrames = 4877;
// A name's date after a month from today or before the first AVHRR; a name's layout whose satellite has no element set then.
constexpr uint16_t SNameDateImpossible = 4878;
constexpr uint16_t SNameNoElements = 4879;
constexpr uint16_t SNameDayImpossible = 4880;
// A pass dated by its file whose name holds a date no pass can have.
constexpr uint16_t SDatedByFileDateNameImpossible = 4881;
// Dates a pass cannot have, and what then dates it.
constexpr uint16_t SNameDateNotExisting = 4960;
constexpr uint16_t SNameDateNotFrames = 4961;
constexpr uint16_t SNameYearFramesImpossible = 4962;
constexpr uint16_t SFileDateImpossible = 4963;
constexpr uint16_t SFileDateFramesImpossible = 4964;
constexpr uint16_t SDatedLatestYear = 4965;
constexpr uint16_t SDatedByClock = 4966;
constexpr uint16_t SDatedNearestElements = 4999;
constexpr uint16_t SProposedNorthByOrbit = 5000;
constexpr uint16_t SProposedSouthByOrbit = 5001;
constexpr uint16_t SKeplerUpdateEmpty = 5002;
constexpr uint16_t SKeplerFeedLacks = 5003;
constexpr uint16_t SKeplerFeedLacksLine = 5004;
constexpr uint16_t SDatedByNameUnread = 5005;
// Why the pass-direction question proposes what it does.
constexpr uint16_t SProposedByName = 4967;
constexpr uint16_t SProposedByHeader = 4968;
constexpr uint16_t SProposedByFrames = 4969;
constexpr uint16_t SProposedByNameDigits = 4970;
constexpr uint16_t SProposedFramesSatellite = 4971;
constexpr uint16_t SFramesSatelliteItem = 4972;
constexpr uint16_t SProposedDateByName = 4973;
constexpr uint16_t SProposedDateByHeader = 4974;
constexpr uint16_t SUnableToWriteLinked = 4900;
// A pass log that would pass its bound once written.
constexpr uint16_t SProcessedListWouldGrow = 4901;
// What a delete for good left, and why each item stayed.
constexpr uint16_t SDeletedInPart = 4902;
constexpr uint16_t SStayImmutable = 4903;
constexpr uint16_t SStayAppendOnly = 4904;
constexpr uint16_t SStayFolderMarked = 4905;
constexpr uint16_t SStayReadOnlyFileSystem = 4906;
// An image written neither where asked nor in the program's folder: both causes.
constexpr uint16_t SImageNorIn = 4907;
constexpr uint16_t SMarkSync = 4931;
constexpr uint16_t SMarkTimeCode = 4932;
constexpr uint16_t SMarkRecordTime = 4933;
constexpr uint16_t SMarkMeteorSync = 4934;
constexpr uint16_t SMarkMeteorFrame = 4935;
constexpr uint16_t SMarkImageLine = 4936;
constexpr uint16_t SLevel1bLocationsUnfit = 4937;
// A Level 1b file none of whose records carries a location, and the SST it then cannot give.
constexpr uint16_t SLevel1bNoLocations = 4938;
constexpr uint16_t SNoSstWithoutRecordLocations = 4939;
// Level 1b lines whose times the lines around them contradict.
constexpr uint16_t SLevel1bTimesContradicted = 4975;
constexpr uint16_t SNoPassTimecode = 4930;
// Why a pass was not located or mapped, put into the messages that tell it.
constexpr uint16_t SCauseNoMiddleTimeCode = 4990;
constexpr uint16_t SCauseCentrePointsTogether = 4991;
constexpr uint16_t SCauseCentrePointsJump = 4992;
constexpr uint16_t SCauseOrbitModelFailed = 4993;
constexpr uint16_t SCauseGacPictures = 4994;
constexpr uint16_t SCauseTooManyGacLines = 4995;
constexpr uint16_t SNoTimeConfirmed = 4996;
constexpr uint16_t SNotMappedCause = 4997;
constexpr uint16_t SNoSstWithoutMap = 4998;
// The element-set archives' refusals: a file too large, and why no set of a file could be used.
constexpr uint16_t SElementFileTooLarge = 4760;
constexpr uint16_t SNoUsableElementSet = 4761;
constexpr uint16_t SElementLineCause = 4762;
constexpr uint16_t SLine1WithoutLine2 = 4763;
constexpr uint16_t SLine2WithoutLine1 = 4764;
constexpr uint16_t SElementLineCut = 4765;
constexpr uint16_t SElementLineLong = 4766;
constexpr uint16_t SCatalogueNumberDiffers = 4767;
constexpr uint16_t SElementColumns = 4768;
constexpr uint16_t SElementNotANumber = 4769;
constexpr uint16_t SElementNoInclination = 4770;
constexpr uint16_t SElementNoOrbit = 4771;
constexpr uint16_t SElementPerigeeInside = 4772;
// The element archives' messages: folders and files not found, files that hold no set of the satellite or no date, another satellite's sets, a file's own set unusable.
constexpr uint16_t SKeplerFolderMissing = 4800;
constexpr uint16_t SKeplerFolderNorSought = 4801;
constexpr uint16_t SKeplerFilesMissing = 4802;
constexpr uint16_t SKeplerFileTooFewLines = 4803;
constexpr uint16_t SKeplerFileNotNumbered = 4804;
constexpr uint16_t SKeplerFileNoSetOf = 4805;
constexpr uint16_t SKeplerOneFile = 4806;
constexpr uint16_t SKeplerTwoFiles = 4807;
constexpr uint16_t SKeplerUndated = 4808;
constexpr uint16_t SForeignSet = 4809;
constexpr uint16_t SForeignSetsOfOne = 4810;
constexpr uint16_t SForeignSetsOfOthers = 4811;
constexpr uint16_t SElementLinesNotNumbered = 4812;
constexpr uint16_t SElementLineShort = 4813;
constexpr uint16_t SElementLinesDifferentNumbers = 4814;
constexpr uint16_t SOrbitModelRefusesSet = 4815;
constexpr uint16_t SEmbeddedSetUnusable = 4816;
// The missing element set files as a line of a run's report.
constexpr uint16_t SKeplerFilesMissingLine = 4817;
// An archive file that lost sets to damage, as a line of a run's report.
constexpr uint16_t SDamagedSetsSkipped = 4818;
// The question whether a pass's files take the standard name, and its caption.
constexpr uint16_t SSaveUnderStandardName = 4820;
constexpr uint16_t SStandardNameCaption = 4821;
// A setting that could not be written, told on stderr.
constexpr uint16_t SSettingNotSetBecause = 4822;
constexpr uint16_t SSettingNotSet = 4823;
constexpr uint16_t SSettingNotDeleted = 4824;
constexpr uint16_t SSettingNotSaved = 4825;
constexpr uint16_t SProgramPathNotRegistered = 4826;
// A satellite the telemetry does not name, as the telemetry window shows it.
constexpr uint16_t SUnknownSatellite = 4827;
// Messages of the Go-to window, the loaders, the language switch and the recent-file list.
constexpr uint16_t SPlaceWithoutCoordinates = 4830;
constexpr uint16_t SLevel1bKindRefused = 4831;
constexpr uint16_t SPackedFileCannotOpen = 4832;
constexpr uint16_t SNoUnpackFolder = 4833;
constexpr uint16_t STimestepCaptured = 4834;
constexpr uint16_t SLocalizerErrorCaption = 4835;
constexpr uint16_t SRecentFilesNotStored = 4836;
// The desktop's refusal to open a file or a web address, as the box tells it.
constexpr uint16_t SShellFileNotFound = 4840;
constexpr uint16_t SShellPathNotFound = 4841;
constexpr uint16_t SShellAccessDenied = 4842;
constexpr uint16_t SShellInsufficientMemory = 4843;
constexpr uint16_t SShellWriteProtected = 4844;
constexpr uint16_t SShellDeviceNotReady = 4845;
constexpr uint16_t SShellFileInUse = 4846;
constexpr uint16_t SShellDiskFull = 4847;
constexpr uint16_t SShellWindowsVersion = 4848;
constexpr uint16_t SShellNotAProgram = 4849;
constexpr uint16_t SShellNoAssociation = 4850;
constexpr uint16_t SShellCorruptFile = 4851;
constexpr uint16_t SShellCorruptRegistry = 4852;
constexpr uint16_t SShellGeneralFailure = 4853;
constexpr uint16_t SShellExecuteFailed = 4854;
constexpr uint16_t SNameCharactersNotWritten = 5150;
constexpr uint16_t SErrorFilenameTooLong = 5151;
constexpr uint16_t SDropSeveralFiles = 5152;
constexpr uint16_t SDropNotPassFile = 5153;
constexpr uint16_t SDropNotOpened = 5154;
// The drag-and-drop suite's.
constexpr uint16_t SClipboardFormatReadOnly = 65212;
constexpr uint16_t SInvalidFilename = 65214;
}  // namespace res

// The program's own texts, in id order.
std::span<const TResourceString> ProgramTexts();
// The English text of one of them ("" for an unknown id).
std::string ProgramText(uint16_t id);
// Where a text is taken from: ProgramText (the program's English, for files) or resStr (the language in effect).
using TTextOf = std::string (*)(uint16_t id);

// A text in the language in effect.
std::string resStr(uint16_t id);
// The localiser's lookup through the resources in use; nullptr gives the
// English texts back. Gives back the lookup it replaces.
using TResStrLookup = std::function<std::string(uint16_t id)>;
TResStrLookup SetResStrLookup(TResStrLookup lookup);

// text with its "%s" replaced by the arguments in turn (resource texts are never used as printf formats).
std::string FormatRes(std::string_view text, std::initializer_list<std::string_view> arguments);
inline std::string FormatRes(std::string_view text, std::string_view argument) { return FormatRes(text, {argument}); }
std::string FormatRes(std::string_view text, std::span<const std::string> arguments);
// The text of id with its "%s" filled.
inline std::string FormatResStr(uint16_t id, std::initializer_list<std::string_view> arguments) { return FormatRes(resStr(id), arguments); }

}  // namespace kestrune
