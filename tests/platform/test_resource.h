/* Control ids of the test dialog in test_dialogs.rc. */
#define IDC_TEST_COMBO 201
#define IDC_TEST_EDIT 301
#define IDC_TEST_MULTILINE 302
#define IDC_TEST_READONLY 303
#define IDC_TEST_SLIDER 401
#define IDC_TEST_CHECK 501
#define IDC_TEST_ASK 601
#define IDC_TEST_OPEN 602
#define IDC_TEST_AREA 701
#define IDC_TEST_LABEL 801
