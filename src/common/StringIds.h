#pragma once

// Ids of the texts in resources/strings.tsv. Entries without a name of their own are reached from
// the first id of their run (kCcFirst + n, ...); runs are consecutive and in the listed order.
namespace ids {

// Application name
constexpr int kAppName = 131;

// Medication store
constexpr int kMedicationLine = 143;
constexpr int kMedicationsSection = 153;
constexpr int kDayOfTreatment = 158;

// Vital-signs store
constexpr int kVitalsSection = 159;

// Note composition
constexpr int kSoapNoteTemplate = 152;
constexpr int kNoteTestLine = 156;
constexpr int kTestsSection = 160;
constexpr int kLabsSection = 161;
constexpr int kInsertMinus = 176;
constexpr int kInsertPlus = 177;
constexpr int kHpNoteTemplate = 179;
constexpr int kHpiSentence = 3600;

// Notes page
constexpr int kExportFailed = 155;

// Favourite medications
constexpr int kEditCategoriesEntry = 188;

// Lab values: CBC
constexpr int kCbcValueFirst = 1200;
constexpr int kCbcValueLast = 1213;

// Lab values: Chemistry
constexpr int kChemistryValueFirst = 1300;
constexpr int kChemistryValueLast = 1314;

// Lab values: LFTs
constexpr int kLftValueFirst = 1400;
constexpr int kLftValueLast = 1417;

// Lab values: UA
constexpr int kUaValueFirst = 1500;
constexpr int kUaValueLast = 1510;

// Lab values: Coags
constexpr int kCoagsValueFirst = 1600;
constexpr int kCoagsValueLast = 1606;

// Lab values: ABG
constexpr int kAbgValueFirst = 1650;
constexpr int kAbgValueLast = 1656;

// Lab values: Misc
constexpr int kMiscValueName = 1700;
constexpr int kMiscResult = 1701;

// Auto-text list names (history rows)
constexpr int kListCc = 2100;
constexpr int kHistoryLabelFirst = kListCc;
constexpr int kListHpi = 2101;
constexpr int kListUseMeds = 2102;
constexpr int kListAllergies = 2103;
constexpr int kListPmh = 2104;
constexpr int kListPsh = 2105;
constexpr int kListFh = 2106;
constexpr int kListSh = 2107;
constexpr int kHistoryLabelLast = kListSh;

// Review of systems (list 534)
constexpr int kRosFirst = 2200;
constexpr int kRosLast = 2218;

// Auto-text list names (examination rows)
constexpr int kListGeneral = 2300;
constexpr int kExamLabelFirst = kListGeneral;
constexpr int kListHeent = 2301;
constexpr int kListLungs = 2302;
constexpr int kListCardiovascular = 2303;
constexpr int kListAbdomen = 2304;
constexpr int kListGenitourinary = 2305;
constexpr int kListExtremities = 2306;
constexpr int kListNeurologic = 2307;
constexpr int kExamLabelLast = kListNeurologic;

// Auto-text list name of the review of systems
constexpr int kListSystem = 534;

// Default auto text: CC
constexpr int kCcFirst = 2400;
constexpr int kCcLast = 2410;

// Default auto text: PMH
constexpr int kPmhFirst = 2500;
constexpr int kPmhLast = 2518;

// Default auto text: PSH
constexpr int kPshFirst = 2600;
constexpr int kPshLast = 2613;

// Default auto text: FH
constexpr int kFhFirst = 2700;
constexpr int kFhLast = 2703;

// Default auto text: SH
constexpr int kShFirst = 2800;
constexpr int kShLast = 2802;

// Default auto text: General
constexpr int kGeneralFirst = 2900;
constexpr int kGeneralLast = 2901;

// Default auto text: HEENT
constexpr int kHeentFirst = 2902;
constexpr int kHeentLast = 2909;

// Default auto text: Lungs
constexpr int kLungsFirst = 3000;
constexpr int kLungsLast = 3004;

// Default auto text: Cardiovascular
constexpr int kCardiovascularFirst = 3100;
constexpr int kCardiovascularLast = 3106;

// Default auto text: Abdomen
constexpr int kAbdomenFirst = 3200;
constexpr int kAbdomenLast = 3205;

// Default auto text: Genitourinary
constexpr int kGenitourinaryFirst = 3300;
constexpr int kGenitourinaryLast = 3302;

// Default auto text: Extremities
constexpr int kExtremitiesFirst = 3400;
constexpr int kExtremitiesLast = 3403;

// Default auto text: Neurologic
constexpr int kNeurologicFirst = 3500;
constexpr int kNeurologicLast = 3507;

// Default auto text: Allergies
constexpr int kNkda = 3700;

// Todo page
constexpr int kTodoPriorityAll = 3732;
constexpr int kTodoPriority1 = 3733;
constexpr int kTodoPriorityFirst = kTodoPriority1;
constexpr int kTodoPriority2 = 3734;
constexpr int kTodoPriority3 = 3735;
constexpr int kTodoPriority4 = 3736;
constexpr int kTodoPriority5 = 3737;
constexpr int kTodoPriorityLast = kTodoPriority5;
constexpr int kAskDeleteSelectedTodo = 3738;
constexpr int kAskDeleteCheckedTodos = 3739;
constexpr int kConvertedTodoItem = 3740;
constexpr int kVerbDelete = 3760;
constexpr int kAskDeleteScope = 3762;

// Beam status
constexpr int kBeamSearchingForReceiver = 3800;
constexpr int kBeamStatusFirst = kBeamSearchingForReceiver;
constexpr int kBeamConnectError = 3801;
constexpr int kBeamReceiveError = 3802;
constexpr int kBeamSearchingForSender = 3803;
constexpr int kBeamReceivingCategories = 3804;
constexpr int kBeamCategoryReceiveComplete = 3805;
constexpr int kBeamSendError = 3806;
constexpr int kBeamSendingCategories = 3807;
constexpr int kBeamCategoryReceiveCancelled = 3808;
constexpr int kBeamCategorySendCancelled = 3809;
constexpr int kBeamReceiverContacted = 3810;
constexpr int kBeamSendingPatientInfo = 3811;
constexpr int kBeamSendingRecord = 3812;
constexpr int kBeamRecordSent = 3813;
constexpr int kBeamReceivingPatientInfo = 3814;
constexpr int kBeamRecordReceived = 3815;
constexpr int kBeamCategorySendComplete = 3816;
constexpr int kBeamSendingRecordsProgress = 3817;
constexpr int kBeamPatientSendError = 3818;
constexpr int kBeamPatientSent = 3819;
constexpr int kBeamReceivingRecordsProgress = 3820;
constexpr int kBeamPatientReceiveError = 3821;
constexpr int kBeamPatientReceived = 3822;
constexpr int kBeamSendingPatients = 3823;
constexpr int kBeamSendFailedAfter = 3824;
constexpr int kBeamSentPatients = 3825;
constexpr int kBeamReceivingPatients = 3826;
constexpr int kBeamReceiveFailedAfter = 3827;
constexpr int kBeamReceivedPatients = 3828;
constexpr int kBeamSuccess = 3829;
constexpr int kBeamStatusLast = kBeamSuccess;
// A record the receiving device could not decode or file: what each side shows.
constexpr int kBeamRecordNotStored = 9030;
constexpr int kBeamPatientNotStored = 9031;
constexpr int kBeamRecordsNotStored = 9032;
constexpr int kBeamPatientsIncomplete = 9033;
constexpr int kBeamCategoriesNotStored = 9034;
constexpr int kBeamUnknownKind = 9035;
constexpr int kBeamRecordRefused = 9036;
constexpr int kBeamRecordsRefused = 9037;
constexpr int kBeamReceivedPatientsMerged = 9038;
constexpr int kBeamSentPatientsMerged = 9039;

// Access states (picked by state 0, 1, 2)
constexpr int kAccessStateNone = 3838;
constexpr int kAccessStateFirst = kAccessStateNone;
constexpr int kAccessStateReadOnly = 3839;
constexpr int kAccessStateReadWrite = 3840;

// About box, reader and notices
constexpr int kAppVersion = 6000;
constexpr int kAboutVersionLine = 6001;
constexpr int kAboutTitle = 6002;
constexpr int kAboutMaker = 6003;
constexpr int kReaderMissing = 6004;
constexpr int kMakerWebAddress = 6005;
constexpr int kReaderMissingTail = 6006;
constexpr int kNewSoftwareInstalled = 6007;
constexpr int kPatientNotSelected = 6008;
constexpr int kPatientHeader = 6009;

// File menu
constexpr int kMenuFile = 6020;
constexpr int kMenuPrintLog = 6021;
constexpr int kMenuPrintCheckoutList = 6022;
constexpr int kMenuReceiveBeam = 6023;
constexpr int kMenuBeam = 6024;
constexpr int kMenuBeamCategories = 6025;
constexpr int kMenuBeamCheckoutList = 6026;
constexpr int kMenuPreferences = 6027;
constexpr int kMenuHelp = 6028;
constexpr int kMenuAbout = 6029;
constexpr int kMenuClose = 6030;

// Chart tabs
constexpr int kTabMain = 6040;
constexpr int kTabFirst = kTabMain;
constexpr int kTabInfo = 6041;
constexpr int kTabMeds = 6042;
constexpr int kTabVsTests = 6043;
constexpr int kTabNotes = 6044;
constexpr int kTabTodo = 6045;

// Common buttons and columns
constexpr int kButtonOk = 6060;
constexpr int kButtonCancel = 6061;
constexpr int kButtonExit = 6062;
constexpr int kButtonDelete = 6063;
constexpr int kColumnItem = 6070;
constexpr int kColumnValue = 6071;
constexpr int kColumnDate = 6072;
constexpr int kDateLabel = 6073;
constexpr int kTimeLabel = 6074;

// Patient list
constexpr int kTypeLabel = 6100;
constexpr int kLookupLabel = 6101;
constexpr int kAllPatientTypes = 6102;
constexpr int kColumnPatient = 6103;
constexpr int kColumnMrNumber = 6104;
constexpr int kColumnRoom = 6105;
constexpr int kAskDeletePatient = 6106;
constexpr int kPatientNotMoved = 6107;
constexpr int kPatientNotDeleted = 6108;

// Toolbar buttons (tips, in toolbar order)
constexpr int kToolNewPatient = 6110;
constexpr int kToolAddMeds = 6111;
constexpr int kToolAddLabs = 6112;
constexpr int kToolAddVitals = 6113;
constexpr int kToolAddTest = 6114;
constexpr int kToolAddNote = 6115;
constexpr int kToolReader = 6116;

// Patient rows (fourteen consecutive labels)
constexpr int kLabelFirstName = 6200;
constexpr int kPatientLabelFirst = kLabelFirstName;
constexpr int kLabelLastName = 6201;
constexpr int kLabelPatientType = 6202;
constexpr int kLabelMrNumber = 6203;
constexpr int kLabelRoom = 6204;
constexpr int kLabelDoctor = 6205;
constexpr int kLabelAge = 6206;
constexpr int kLabelDob = 6207;
constexpr int kLabelRace = 6208;
constexpr int kLabelSex = 6209;
constexpr int kLabelCode = 6210;
constexpr int kLabelDx = 6211;
constexpr int kLabelAllergies = 6212;
constexpr int kLabelProblems = 6213;

// Patient information and add patient
constexpr int kAdmitDateLabel = 6220;
constexpr int kSexMale = 6221;
constexpr int kSexFemale = 6222;
constexpr int kAgeText = 6223;
constexpr int kDobText = 6224;
constexpr int kAddPatientTitle = 6225;
constexpr int kPatientAlreadyOnFile = 6226;
constexpr int kPatientNameAndTypeRequired = 6227;
constexpr int kPatientNotSaved = 6228;
constexpr int kPatientNotAdded = 6229;

// Date row choices: no date, then the decades
constexpr int kNoDate = 6230;
constexpr int kDateChoiceFirst = kNoDate;
constexpr int kDecadeFirst = 6231;
constexpr int kDecadeLast = 6240;

// Weekday names, Sunday first
constexpr int kWeekdayFirst = 6250;
constexpr int kWeekdayLast = 6256;

// Factory category entries: patient types
constexpr int kPatientTypeHospital = 6300;
constexpr int kPatientTypeClinic = 6301;

// Factory category entries: code status
constexpr int kCodeStatusFirst = 6310;
constexpr int kCodeStatusLast = 6313;

// Factory category entries: race
constexpr int kRaceFirst = 6320;
constexpr int kRaceLast = 6324;

// Factory category entries: age units
constexpr int kAgeUnitFirst = 6330;
constexpr int kAgeUnitLast = 6332;

// Category editor
constexpr int kEditCategoriesTitle = 6350;
constexpr int kButtonNew = 6351;
constexpr int kButtonRename = 6352;
constexpr int kEnterNewCategory = 6353;
constexpr int kEnterCategoryRename = 6354;
constexpr int kCategoryNotSaved = 6355;
constexpr int kCategoryNotDeleted = 6356;

// Login and password
constexpr int kPasswordLabel = 6400;
constexpr int kHintLabel = 6401;
constexpr int kWrongPassword = 6402;
constexpr int kLoginCaption = 6403;
constexpr int kDefaultPasswordHint = 6404;
constexpr int kChangePasswordTitle = 6405;
constexpr int kOldPasswordLabel = 6406;
constexpr int kNewPasswordLabel = 6407;

// Preferences
constexpr int kPreferencesTitle = 6500;
constexpr int kSecurityTab = 6501;
constexpr int kPrintingTab = 6502;
constexpr int kTimeoutLabel = 6503;
constexpr int kHintField = 6504;
constexpr int kChangePasswordButton = 6505;
constexpr int kTimeoutMinutes = 6506;
constexpr int kLinesPerPageLabel = 6510;
constexpr int kPageWidthLabel = 6511;
constexpr int kLeftMarginLabel = 6512;
constexpr int kTopMarginLabel = 6513;
constexpr int kBottomMarginLabel = 6514;
constexpr int kEnterInteger = 6520;
constexpr int kInvalidPrinterSettings = 6521;

// Date and time display
constexpr int kShortDateFormat = 6600;
constexpr int kShortTimeFormat = 6601;
constexpr int kDateTimeNumbers = 6602;
constexpr int kDateNumbers = 6603;
constexpr int kDateTimeNumbersShort = 6604;

// Choices: none, no, yes
constexpr int kChoiceUnanswered = 7000;
constexpr int kRosChoiceFirst = kChoiceUnanswered;
constexpr int kChoiceNo = 7001;
constexpr int kChoiceYes = 7002;

// Medications page and dialog
constexpr int kAddMedsTitle = 7100;
constexpr int kAllergiesCaption = 7101;
constexpr int kAskDeleteMedication = 7102;
constexpr int kDrugRequired = 7103;
constexpr int kDayNumberRequired = 7104;
constexpr int kRemoveMedFavoritesTitle = 7105;
constexpr int kFavoriteText = 7106;
constexpr int kMedsListName = 6700;
constexpr int kPatientStateName = 6701;
constexpr int kMedStateName = 6702;
// Spoken names of the picture buttons that several pages share
constexpr int kOpenName = 6703;
constexpr int kNoDeleteName = 6704;
constexpr int kSaveName = 6705;
constexpr int kNoSaveName = 6706;
constexpr int kAllergyPopupName = 6707;
constexpr int kFavName = 6708;
constexpr int kMedValuesName = 6709;
constexpr int kStartDateName = 6710;
constexpr int kFavoritesListName = 6711;
constexpr int kAllergiesNotSaved = 6712;
constexpr int kMedicationNotSaved = 6713;
constexpr int kMedicationNotDeleted = 6714;
constexpr int kMedicationNotRead = 6715;
constexpr int kFavoriteNotSaved = 6716;
constexpr int kFavoriteNotRemoved = 6717;

// Medication rows (eight consecutive labels)
constexpr int kMedLabelDrug = 7110;
constexpr int kMedLabelFirst = kMedLabelDrug;
constexpr int kMedLabelDose = 7111;
constexpr int kMedLabelRoute = 7112;
constexpr int kMedLabelFrequency = 7113;
constexpr int kMedLabelTrackDays = 7114;
constexpr int kMedLabelDays = 7115;
constexpr int kMedLabelDispensed = 7116;
constexpr int kMedLabelRefills = 7117;
constexpr int kMedLabelLast = kMedLabelRefills;

// Factory category entries: routes
constexpr int kRouteFirst = 7130;
constexpr int kRouteLast = 7138;

// Factory category entries: frequencies
constexpr int kFrequencyFirst = 7140;
constexpr int kFrequencyLast = 7150;

// Vitals
constexpr int kAddVitalsTitle = 7200;
constexpr int kSelectDateLabel = 7201;
constexpr int kColumnVital = 7202;
constexpr int kAskDeleteVitals = 7203;
constexpr int kNamedValue = 7204;
constexpr int kVitalsButtonName = 6800;
constexpr int kVitalsListName = 6801;
constexpr int kVitalsSaveFailed = 6805;
constexpr int kVitalsDeleteFailed = 6806;

// Vitals rows (thirteen consecutive labels)
constexpr int kVitalFirst = 7210;
constexpr int kVitalLast = 7222;

// Lab results
constexpr int kAddLabResultsTitle = 7300;
constexpr int kEditLabResultsTitle = 7301;
constexpr int kLabLabel = 7302;
constexpr int kColumnLab = 7303;
constexpr int kCbcCaption = 7304;
constexpr int kLabTypeRequired = 7305;
constexpr int kDeferredLab = 7306;
constexpr int kAskDeleteLabResult = 7307;
constexpr int kLabsButtonName = 6850;
constexpr int kLabListName = 6851;
constexpr int kShownLabsListName = 6852;
constexpr int kSelectName = 6854;
constexpr int kClearName = 6855;
constexpr int kLabValuesListName = 6856;
constexpr int kLabSaveFailed = 6857;
constexpr int kLabDeleteFailed = 6858;
constexpr int kDeferredLabFailed = 6859;

// Lab groups, in the order the dialog offers them
constexpr int kLabGroupCbc = 7310;
constexpr int kLabGroupFirst = kLabGroupCbc;
constexpr int kLabGroupChemistry = 7311;
constexpr int kLabGroupLfts = 7312;
constexpr int kLabGroupUa = 7313;
constexpr int kLabGroupCoags = 7314;
constexpr int kLabGroupAbg = 7315;
constexpr int kLabGroupMisc = 7316;
constexpr int kLabGroupLast = kLabGroupMisc;

// CBC fishbone values and their packed forms
constexpr int kFishboneWbc = 7320;
constexpr int kFishboneHb = 7321;
constexpr int kFishboneHct = 7322;
constexpr int kFishbonePlt = 7323;
constexpr int kPackedWbc = 7330;
constexpr int kPackedHb = 7331;
constexpr int kPackedHct = 7332;
constexpr int kPackedPlt = 7333;

// Tests
constexpr int kAddTestTitle = 7400;
constexpr int kTestLabel = 7401;
constexpr int kColumnTest = 7402;
constexpr int kResultCaption = 7403;
constexpr int kTestNameRequired = 7404;
constexpr int kAskDeleteTest = 7405;
constexpr int kDatabaseError = 7406;
constexpr int kTestsButtonName = 6900;
constexpr int kTestListName = 6901;
constexpr int kResultPopupName = 6902;
constexpr int kTestSaveFailed = 6903;
constexpr int kTestDeleteFailed = 6904;

// Factory category entries: test names
constexpr int kTestNameFirst = 7420;
constexpr int kTestNameLast = 7429;

// Auto-text editor
constexpr int kEditAutoTextTitle = 7500;
constexpr int kEditAutoTextHelp = 7501;
constexpr int kPhrasesName = 6750;
constexpr int kInsertName = 6751;
constexpr int kRemoveName = 6752;
constexpr int kAutoTextNotSaved = 6753;

// Todo dialogs
constexpr int kToDoTitle = 7600;
constexpr int kToDoCaption = 7601;
constexpr int kDeleteTodoTitle = 7602;
constexpr int kNoteEditLostToSync = 7603;
constexpr int kDeleteScopeCurrentOnly = 7610;
constexpr int kDeleteScopeAll = 7611;
constexpr int kDeleteScopeCancel = 7612;
constexpr int kTodoEditNoteName = 8600;
constexpr int kTodoNewItemName = 8601;
constexpr int kTodoListName = 8602;
constexpr int kTodoAccessStateName = 8603;
constexpr int kTodoItemTextName = 8604;
constexpr int kTodoNoteName = 8605;
constexpr int kTodoSaveName = 8606;
constexpr int kTodoNoSaveName = 8607;
constexpr int kTodoDeleteQuestionName = 8608;
constexpr int kTodoNotStored = 8609;
constexpr int kTodoNotDeleted = 8610;

// Notes page
constexpr int kAskDeleteNote = 8000;
constexpr int kSaveAsTitle = 8001;
constexpr int kNoteSaveFailed = 8400;
constexpr int kNoteDeleteFailed = 8401;
constexpr int kNoteExportReplaced = 8402;
constexpr int kNameNotesList = 8410;
constexpr int kNameNoteText = 8411;
constexpr int kNamePrintNote = 8412;
constexpr int kNameExportNote = 8413;
constexpr int kNameDeleteNote = 8414;
constexpr int kNameNoDeleteNote = 8415;
constexpr int kNameSaveNote = 8416;
constexpr int kNameNoSaveNote = 8417;

// New note
constexpr int kAddNoteTitle = 8100;
constexpr int kNoteTypeLabel = 8101;
constexpr int kNoteKindSoap = 8102;
constexpr int kNoteKindHp = 8103;
constexpr int kNoteAddFailed = 8450;
constexpr int kNameNoteDate = 8460;
constexpr int kNameNoteTime = 8461;
constexpr int kNameNext = 8462;
constexpr int kNameCancel = 8463;

// SOAP note sheet
constexpr int kAddSoapTitle = 8200;
constexpr int kSoapPageSubject = 8210;
constexpr int kSoapPageObjective = 8211;
constexpr int kSoapPagePe = 8212;
constexpr int kSoapPageAssessPlan = 8213;
constexpr int kSubjectiveCaption = 8220;
constexpr int kObjectiveCaption = 8221;
constexpr int kAssessPlanCaption = 8222;
constexpr int kTestsCaption = 8223;
constexpr int kLabsCaption = 8224;
constexpr int kVitalsCaption = 8225;
constexpr int kAddMedsToNote = 8226;
constexpr int kColumnPe = 8227;
constexpr int kNameSubjective = 8500;
constexpr int kNameObjective = 8501;
constexpr int kNameAssessPlan = 8502;
constexpr int kNameTestsToInclude = 8503;
constexpr int kNameLabsToInclude = 8504;
constexpr int kNameVitalsToInclude = 8505;
constexpr int kNamePeRows = 8506;
constexpr int kNameRecallLatest = 8507;
constexpr int kNameCancelNote = 8508;
constexpr int kNameSaveNoteSheet = 8509;
constexpr int kNameInsertPlus = 8510;
constexpr int kNameInsertMinus = 8511;
constexpr int kNameAutoText = 8512;

// H&P note sheet
constexpr int kAddHpTitle = 8300;
constexpr int kHpPageHistory = 8310;
constexpr int kHpPageRos = 8311;
constexpr int kHpPagePe = 8312;
constexpr int kHpPageVsTests = 8313;
constexpr int kHpPageAssessPlan = 8314;
constexpr int kColumnCategory = 8320;
constexpr int kColumnSystem = 8321;
constexpr int kColumnResponse = 8322;
constexpr int kHistoryEntry = 8323;
constexpr int kRosLine = 8324;
constexpr int kNameHistoryRows = 8520;
constexpr int kNameAddMedication = 8521;
constexpr int kNameRosRows = 8522;
constexpr int kNameEditRosList = 8523;
constexpr int kHpiSentenceNotStored = 8524;

// Beam dialogs
constexpr int kBeamProgressTitle = 9000;
constexpr int kBeamCancel = 9001;
constexpr int kBeamDone = 9002;
constexpr int kBeamCheckoutListTitle = 9003;
constexpr int kBeamCheckoutListHelp = 9004;
constexpr int kMustSynchronizeRecord = 9005;
constexpr int kSomePatientsNotSynchronized = 9006;
constexpr int kBeamPatientNamePrefix = 9007;
constexpr int kBeamUnknownCount = 9008;
constexpr int kBeamCount = 9009;
constexpr int kBeamStatusName = 8650;
constexpr int kBeamOverallName = 8651;
constexpr int kBeamItemBarName = 8652;
constexpr int kBeamOverallBarName = 8653;
constexpr int kCheckoutPatientsName = 8654;
constexpr int kBeamButtonName = 8655;

// Beam sections, in wire order
constexpr int kBeamSectionLabs = 9020;
constexpr int kBeamSectionFirst = kBeamSectionLabs;
constexpr int kBeamSectionMeds = 9021;
constexpr int kBeamSectionNotes = 9022;
constexpr int kBeamSectionTests = 9023;
constexpr int kBeamSectionTodos = 9024;
constexpr int kBeamSectionVitals = 9025;

// A damaged device at start-up
constexpr int kDeviceDamaged = 9100;
constexpr int kDeviceUnusable = 9101;
constexpr int kOpenReadOnly = 9102;
constexpr int kQuit = 9103;
constexpr int kDeviceDamagedReadable = 9104;
constexpr int kDeviceFullCheckFailed = 9105;

// Checkout list printing
constexpr int kPrintCheckoutTitle = 9200;
constexpr int kPrintCheckoutHelp = 9201;
constexpr int kChecklistItemsLabel = 9202;
constexpr int kChecklistMeds = 9203;
constexpr int kChecklistVitals = 9204;
constexpr int kChecklistTodo = 9205;
constexpr int kPrintInitializing = 9210;
constexpr int kPrintPrinting = 9211;
constexpr int kPrinterConnectError = 9212;
constexpr int kPrinterNotFound = 9213;
constexpr int kCheckoutNameLine = 9220;
constexpr int kCheckoutDetailLine = 9221;
constexpr int kCheckoutProblems = 9222;
constexpr int kCheckoutTodoLine = 9223;
constexpr int kPrintButtonName = 8700;

// Patient log printing
constexpr int kLogRoomLine = 9230;
constexpr int kLogLastVitals = 9231;
constexpr int kLogToDo = 9232;
constexpr int kLogPatientLine = 9233;

// Picture buttons: the caption names the button's pictures
constexpr int kPictureSave = 9500;
constexpr int kPictureNoSave = 9501;
constexpr int kPictureCancel = 9502;
constexpr int kPictureDelete = 9503;
constexpr int kPictureNoDelete = 9504;
constexpr int kPictureMove = 9505;
constexpr int kPictureNoMove = 9506;
constexpr int kPictureOpen = 9507;
constexpr int kPictureFav = 9508;
constexpr int kPictureNoFav = 9509;
constexpr int kPicturePrint = 9510;
constexpr int kPictureExport = 9511;
constexpr int kPictureSelect = 9512;
constexpr int kPictureClear = 9513;
constexpr int kPictureNext = 9514;
constexpr int kPictureUndo = 9515;
constexpr int kPictureInsPlus = 9516;
constexpr int kPictureInsMinus = 9517;
constexpr int kPictureAddMed = 9518;
constexpr int kPictureEditList = 9519;
constexpr int kPictureEditNote = 9520;
constexpr int kPictureNewTodo = 9521;
constexpr int kPictureInsertAuto = 9522;
constexpr int kPictureDeleteAuto = 9523;
constexpr int kPictureBeam = 9524;
constexpr int kPictureShowLabs = 9525;
constexpr int kPictureShowVitals = 9526;
constexpr int kPictureShowTests = 9527;
constexpr int kPicturePopup = 9528;

// Shared controls: input panel toggle, pop-up list
constexpr int kInputPanelButton = 9600;
constexpr int kInputPanelTip = 9601;
constexpr int kPopupListTitle = 9602;

// Category editor: deleting a patient type in use
constexpr int kDeleteTypeInUseOne = 9700;
constexpr int kDeleteTypeInUseMany = 9701;

// Print Log: where the job went
constexpr int kLogSpooled = 9710;
constexpr int kLogAppended = 9711;
constexpr int kLogSentToPrinter = 9712;
constexpr int kLogSentToSpooler = 9713;
constexpr int kLogSentToQueue = 9714;

// Start-up: moving an older device's category lists
constexpr int kLegacyAgeUnitsNotMoved = 9720;

// Accessible names
constexpr int kMoveName = 9800;
constexpr int kNoMoveName = 9801;
constexpr int kNoFavName = 9802;
constexpr int kPatientDetailsName = 9803;
constexpr int kChartTabsName = 9804;
constexpr int kPreferenceTabsName = 9805;
constexpr int kNotePagesName = 9806;
constexpr int kCommandBarName = 9807;
constexpr int kScrollTabsLeftName = 9808;
constexpr int kScrollTabsRightName = 9809;
constexpr int kMoreCommandsName = 9810;
constexpr int kCategoryEntriesName = 9811;
constexpr int kProgressBarName = 9812;
constexpr int kTodoPriorityName = 9813;
constexpr int kQuestionIconName = 9814;
constexpr int kWarningIconName = 9815;
constexpr int kErrorIconName = 9816;
constexpr int kInformationIconName = 9817;
constexpr int kAboutExtensionsName = 9818;
constexpr int kVerticalScrollBarName = 9819;
constexpr int kHorizontalScrollBarName = 9820;

}  // namespace ids
