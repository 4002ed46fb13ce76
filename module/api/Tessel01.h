/* The code module's 24 exported entry points, shared by the host program
 * Corvid (which loads Tessel01.so at run time and binds them by name) and the
 * module itself. Plain C so that nothing but C linkage crosses the boundary:
 * text travels as const char*, the host's view as void* (a QWidget*), and
 * every integer is 32 bits wide. Texts passed in (SetRoot, SetCountry) stay the
 * caller's: the module keeps its own copies. */
#ifndef VELTRA_TESSEL01_H
#define VELTRA_TESSEL01_H

#include <stdint.h>

#if defined(__GNUC__)
#define TESSEL_EXPORT __attribute__((visibility("default")))
#else
#define TESSEL_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Pointer types for the host, one per entry point. */
typedef void (*CodeExitFn)(void);
typedef void (*CodeGetCommandFn)(char* out);
typedef int32_t (*CodeHideFn)(void);
typedef int32_t (*CodeInitFn)(void);
typedef int32_t (*CodeParamModeFn)(int32_t on);
typedef int32_t (*CodeRomDownFn)(void);
typedef void (*CodeRomModeFn)(int32_t ignored);
typedef int32_t (*CodeShowFn)(void);
typedef int32_t (*CodeSizeFn)(void);
typedef int32_t (*DownloadFn)(void);
typedef int32_t (*GetToolMessageFn)(int32_t index);
typedef int32_t (*InitParamDataFn)(void);
typedef int32_t (*JigTestFn)(void);
typedef int32_t (*LoadHexFileFn)(void);
typedef int32_t (*LoadParaFileFn)(void);
typedef int32_t (*RefreshFn)(void);
typedef int32_t (*SaveParaDataFn)(void);
typedef int32_t (*SetCommandEventFn)(int32_t window, int32_t event);
typedef void (*SetCountryFn)(const char* country);
typedef int32_t (*SetLocalEventFn)(int32_t event);
typedef uint32_t (*SetRootFn)(const char* path);
typedef void* (*SetWindowFn)(void* hostView);
typedef int32_t (*ShowJigTestFn)(void);
typedef int32_t (*UploadFn)(void);

/* The module's definitions, in the order of its export table. */
TESSEL_EXPORT void CodeExit(void);
TESSEL_EXPORT void CodeGetCommand(char* out);
TESSEL_EXPORT int32_t CodeHide(void);
TESSEL_EXPORT int32_t CodeInit(void);
TESSEL_EXPORT int32_t CodeParamMode(int32_t on);
TESSEL_EXPORT int32_t CodeRomDown(void);
TESSEL_EXPORT void CodeRomMode(int32_t ignored);
TESSEL_EXPORT int32_t CodeShow(void);
TESSEL_EXPORT int32_t CodeSize(void);
TESSEL_EXPORT int32_t Download(void);
TESSEL_EXPORT int32_t GetToolMessage(int32_t index);
TESSEL_EXPORT int32_t InitParamData(void);
TESSEL_EXPORT int32_t JigTest(void);
TESSEL_EXPORT int32_t LoadHexFile(void);
TESSEL_EXPORT int32_t LoadParaFile(void);
TESSEL_EXPORT int32_t Refresh(void);
TESSEL_EXPORT int32_t SaveParaData(void);
TESSEL_EXPORT int32_t SetCommandEvent(int32_t window, int32_t event);
TESSEL_EXPORT void SetCountry(const char* country);
TESSEL_EXPORT int32_t SetLocalEvent(int32_t event);
TESSEL_EXPORT uint32_t SetRoot(const char* path);
TESSEL_EXPORT void* SetWindow(void* hostView);
TESSEL_EXPORT int32_t ShowJigTest(void);
TESSEL_EXPORT int32_t Upload(void);

#ifdef __cplusplus
}
#endif

#endif
