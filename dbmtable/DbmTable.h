/* The signal-level calibration library, libdbmtable.so ("dbmtable.dll" to its callers): loads
 * calibration files and turns a receiver's raw level (0..255) at a frequency into dBm.
 *
 * The .cal file is plain text, one statement per line; blank lines and text after '#' are ignored.
 *
 *     [LX-Q745]                  a section: the receiver model the tables below belong to
 *     table -1                   a table of that section by its selector (-1 narrow, 3 wide)
 *     100000     0:-130 255:-30  a row: frequency in Hz, then raw:dBm points
 *     30000000   0:-128 128:-80 255:-27.5
 *
 * Rows of a table are listed with rising frequencies; each row has at least one point, with
 * rising raw levels (0..255). A level between two points of a row is interpolated linearly (and
 * held at the end points outside them); a frequency between two rows is interpolated linearly
 * between the two rows' levels, and a frequency outside the table takes its nearest row. Section
 * names are compared without case. Levels are finite numbers ("nan" and "inf" are refused). A file
 * with an error in any line is refused as a whole. */
#ifndef DBMTABLE_H
#define DBMTABLE_H

#include <stdint.h>

#if defined(DBMTABLE_BUILDING)
#define DBMTABLE_EXPORT __attribute__((visibility("default")))
#else
#define DBMTABLE_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

#pragma pack(push, 1)
/* One level request: the caller sets size (33) and raw; GetCS fills dbm. */
typedef struct DBM_LEVEL_REQUEST {
    int32_t size;
    uint8_t raw;
    double dbm;
    uint8_t reserved[20]; /* zero; the record is 33 bytes as its size field says */
} DBM_LEVEL_REQUEST;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(DBM_LEVEL_REQUEST) == 33, "DBM_LEVEL_REQUEST layout");
static_assert(__builtin_offsetof(DBM_LEVEL_REQUEST, size) == 0, "size");
static_assert(__builtin_offsetof(DBM_LEVEL_REQUEST, raw) == 4, "raw");
static_assert(__builtin_offsetof(DBM_LEVEL_REQUEST, dbm) == 5, "dbm");
static_assert(__builtin_offsetof(DBM_LEVEL_REQUEST, reserved) == 13, "reserved");
#endif

/* Results of LoadCALFile below zero. */
#define DBM_ERROR_NO_FILE (-1)   /* the file cannot be read */
#define DBM_ERROR_SYNTAX (-2)    /* a line of the file is not understood */
#define DBM_ERROR_FULL (-3)      /* too many tables loaded at once */
/* GetCS answers this when it filled the request's dbm field, 0 otherwise. */
#define DBM_ANSWERED (-1)

/* Loads a .cal file and returns its handle (0 or more), or a negative error. A relative name is
 * looked for in the current folder, then in the folder of the program. */
DBMTABLE_EXPORT int32_t LoadCALFile(const char* fileName);
/* Level of request->raw at a frequency in the table `selector` of `section`. */
DBMTABLE_EXPORT int32_t GetCS(int32_t handle, const char* section, int32_t selector,
                              int64_t frequencyHz, DBM_LEVEL_REQUEST* request);
/* Frees a handle; an unknown handle is ignored. */
DBMTABLE_EXPORT void Unload(int32_t handle);
/* Writes the row frequencies of a table (8 bytes each, as many as fit in bufferSize bytes) and
 * returns the number of bytes written; 0 for an unknown handle, section or table. When the rows do
 * not all fit, the last slot written holds the table's last row: the last frequency written is
 * always the table's upper limit. */
DBMTABLE_EXPORT int32_t GetFrequencies(int32_t handle, const char* section, int32_t selector,
                                       int64_t* frequencies, int32_t bufferSize);

#ifdef __cplusplus
}
#endif

#endif /* DBMTABLE_H */
