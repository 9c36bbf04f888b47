/*
 * LmIni — parameter files: plain-text "key = value" lines.
 *
 * Two levels:
 *  - key level (LmIniGetS/GetL/GetF/PutS): one value by key from any such file;
 *    the first line that defines the key is the one used or replaced;
 *  - record level (LmIniInit/Read/Write/Move): the whole parameter record
 *    (LmIniRecord) between memory and a parameter file; when a key occurs more
 *    than once the last occurrence wins.
 *
 * Line syntax as read: optional blanks/tabs, the key as a token of its own
 * (ended by a blank, a tab or the line end), optional blanks/tabs, "=" as a
 * token of its own (followed by a blank, a tab or the line end), optional
 * blanks/tabs, then the value up to the first CR or LF (trailing blanks kept).
 * "lSmpFreq=44100" therefore does NOT define lSmpFreq. Keys are case-sensitive.
 * Lines end at LF; a CR before it is dropped; lines may be of any length.
 *
 * Lines are written as key " = " value "\n". Numbers are always written and
 * read in the C locale ("." as decimal point) whatever the process locale:
 * integers as "%ld" (32-bit), reals as "%.8lf" (eight decimals).
 *
 * Numbers as read: leading white space is skipped, conversion stops at the
 * first character that does not belong to the number. A value that is not a
 * number, or an integer outside the signed 32-bit range, or a real whose
 * magnitude overflows a double, is treated as "not a number": the target keeps
 * its previous value (LmIniGetL/GetF still return 0; LmIniRead keeps the
 * default or the value of an earlier line).
 *
 * Replacing files: LmIniPutS and LmIniWrite write the complete new content to
 * a uniquely named temporary file in the target's own directory, flush it to
 * disk and rename it over the target in one step. The old file is untouched
 * by every failure and no temporary file is left behind. The old file's
 * permission bits (and, where allowed, its owner) are kept; a symbolic link as
 * target is followed (the file it names is replaced, the link stays). Only a
 * regular file is replaced; a directory, device or pipe in its place gives 5.
 * The target's directory must be writable.
 *
 * No state is kept between calls; every function opens and closes its files.
 * Functions are safe to call from several threads on different files; two
 * writers of one file at the same time leave one complete version (the last
 * rename wins) but one writer's change may be lost. Nothing is printed and
 * nothing is thrown.
 *
 * Null pointer arguments: a null file name counts as a file that cannot be
 * opened (LmIniChkf 1, others 5; LmIniRead 9), a null key as not found (1),
 * a null text of LmIniPutS as an empty text,
 * a null output pointer as "does not fit" (4); a null record makes
 * LmIniInit/Read/Write return 3; LmIniMove with a null pointer does nothing.
 */
#ifndef LMINI_H
#define LMINI_H

#include <stdint.h>

#if defined(__GNUC__)
#define LMINI_API __attribute__((visibility("default")))
#else
#define LMINI_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Status codes (0 is success). */
enum {
    LMINI_OK = 0,
    /* key not found (key level); file not openable (LmIniChkf);
       identification missing or different (LmIniFchk) */
    LMINI_NOT_FOUND = 1,
    LMINI_READ_ERROR = 2,      /* a read error other than end of file */
    LMINI_NO_MEMORY = 3,       /* memory cannot be obtained */
    LMINI_BUFFER_SMALL = 4,    /* value with its zero does not fit (LmIniGetS) */
    LMINI_OPEN_ERROR = 5,      /* file cannot be opened or created */
    LMINI_WRITE_ERROR = 6,     /* writing, flushing or closing the new file failed */
    LMINI_REMOVE_ERROR = 7,    /* kept for callers; no longer returned (the old
                                  file is replaced by rename, never removed first) */
    LMINI_RENAME_ERROR = 8,    /* new file cannot be moved to the file name */
    LMINI_NOT_PARAFILE = 9     /* not a parameter file (LmIniRead) */
};

/* Identification key and its two values. */
#define LMINI_KEY_FILEID "cFileID"
#define LMINI_ID_PARAFILE "LmParaFile"
#define LMINI_ID_INDEXFILE "LmParaIndxFile"

/* Capacity of each point table (entries 1..16; only 1..8 are read back). */
#define LMINI_POINTS 16
#define LMINI_POINTS_READ 8
/* Sizes of the text fields in bytes, terminating zero included. */
#define LMINI_TEXT_SIZE 256
#define LMINI_MEMO_SIZE 81

/*
 * The parameter record. Field names are the file keys. Integer fields are
 * signed 32-bit. Point tables: entry k-1 of fPX1 holds key "fP%.3d-X1" for
 * point k (fPX2 "-X2", fPY1 "-Y1", fPY2 "-Y2"; fEP... likewise with "fEP");
 * lFftpNo and lFftEpNo say how many points of each group are in use.
 * Text fields hold zero-terminated strings. Use sizeof(LmIniRecord); the
 * record is never stored in binary form.
 */
typedef struct LmIniRecord {
    int32_t lSmpFreq;
    int32_t lSmpPitch;
    int32_t lFltPara1;
    int32_t lFltPara2;
    int32_t lFltPara3;
    int32_t lFltPara4;
    int32_t lFltGO;
    char cFltCase[LMINI_TEXT_SIZE];
    int32_t lFltLng;
    int32_t lSyaDanFreq;
    int32_t lTukaTaiMin;
    int32_t lTukaTaiMax;
    int32_t lBosiTaiMin;
    int32_t lBosiTaiMax;
    int32_t llnSmpPitch;
    int32_t lHeikatu;
    double fPeekSikii;
    int32_t lPeekAnaGo;
    int32_t lPeekSmpPitch;
    int32_t lPeekKukanWW;
    int32_t lHanteiWW;
    double fMenSikii;
    char cSaveFile[LMINI_TEXT_SIZE];
    double fDataGetTime;
    int32_t lExtIntUse;
    int32_t lLimitFlg;
    int32_t lLimitMin;
    int32_t lLimitMax;
    int32_t lSeikiGo;
    double fGetWaveDspMin;
    double fGetWaveDspMax;
    double fYuragiWaveDspMin;
    double fYuragiWaveDspMax;
    int32_t lWaveRangeMin;
    int32_t lWaveRangeMax;
    int32_t lGetSpectDspMin;
    int32_t lYuragiSpectDspMin;
    int32_t lPowerSpectUse;
    int32_t lSpectDspMin;
    int32_t lSpectDspMax;
    int32_t lDefSpectDspMind;
    int32_t lDefSpectUse;
    int32_t lDefSpectDspMin;
    int32_t lDefSpectDspMax;
    double f2AveDspMax;
    double fPeekDspMax;
    int32_t lNgLimitNo;
    double fSikiiOverTime;
    double fMinGifHi;
    double fMaxGifHi;
    int32_t lFltPara2Low;
    double fMinGifLow;
    double fMaxGifLow;
    int32_t lAndJugF;
    int32_t lOrJugF;
    int32_t lAOJugF;
    int32_t lAOFlg;
    int32_t lSOUflg;
    double fPSikiiUpp;
    double fPSikiiLow;
    int32_t lNgOUflg;
    double fPSikiiNoUpp;
    double fPSikiiNoLow;
    int32_t lOTOUflg;
    double fPSikiiTimeUpp;
    double fPSikiiTimeLow;
    int32_t lFPOUflg;
    int32_t lFftpNo;
    double fPX1[LMINI_POINTS];
    double fPX2[LMINI_POINTS];
    double fPY1[LMINI_POINTS];
    double fPY2[LMINI_POINTS];
    int32_t lFPEOUflg;
    int32_t lFftRank;
    int32_t lFftEpNo;
    double fEPX1[LMINI_POINTS];
    double fEPX2[LMINI_POINTS];
    double fEPY1[LMINI_POINTS];
    double fEPY2[LMINI_POINTS];
    int32_t lGTOUflg;
    int32_t lGenFlg;
    double fGenTSikii;
    double fGenTPer;
    double fGenTime;
    int32_t lGAOUflg;
    double fGenAPerUpp;
    double fGenAPerLow;
    double fGenA;
    int32_t lUMOUflg;
    int32_t lUnaflg;
    double lUnaP1; /* a real despite its name */
    double fUnaT1;
    double fUnaT2;
    double fUnaMen;
    int32_t lFMOUflg;
    int32_t lFukuflg;
    double fFukuT1;
    double fFukuT2;
    double fFukuMen;
    int32_t lFAOUflg;
    double fFftP1;
    double fFftP2;
    double fFftA;
    int32_t lOMOUflg;
    double fPSikiiMen;
    double fSikiiOverMen;
    int32_t lAdSbFlg;
    int32_t lAdChNo;
    char cMemo[LMINI_MEMO_SIZE];
} LmIniRecord;

/* Stores every default into the record; returns 0. */
LMINI_API int LmIniInit(LmIniRecord* record);

/* 0 when the file can be opened for reading, else 1. Only regular files
   count: a directory, device or pipe is not a parameter file. */
LMINI_API int LmIniChkf(const char* file);

/* Value of the first line defining key, copied zero-terminated into buffer.
   0, 1 not found, 2 read error, 3 no memory, 4 value + zero exceeds
   bufferSize (buffer untouched), 5 file cannot be opened. */
LMINI_API int LmIniGetS(const char* file, const char* key, int bufferSize, char* buffer);

/* Integer ("%ld", 32-bit) of the first line defining key. A value that is not
   a number or lies outside int32_t leaves *value unchanged and returns 0.
   Other codes as LmIniGetS. */
LMINI_API int LmIniGetL(const char* file, const char* key, int32_t* value);

/* Real ("%lf", C locale) of the first line defining key; not a number or an
   overflowing magnitude leaves *value unchanged and returns 0. */
LMINI_API int LmIniGetF(const char* file, const char* key, double* value);

/* Fills the record from a parameter file: 9 (record untouched) unless the
   file's cFileID is "LmParaFile"; then defaults, then every line of a known
   key in file order (point keys for points 1..8 only; texts cut to 255 or 80
   characters). 0, 2 read error (record partly read), 3 no memory, 5 open. */
LMINI_API int LmIniRead(const char* file, LmIniRecord* record);

/* Writes the complete record as a parameter file (cFileID first; point counts
   are limited to 0..16). 0, 3, 5 cannot be created, 6 write failed,
   8 cannot be moved into place; on failure the old file is untouched. */
LMINI_API int LmIniWrite(const char* file, const LmIniRecord* record);

/* Copies every field of source into destination. */
LMINI_API void LmIniMove(const LmIniRecord* source, LmIniRecord* destination);

/* Replaces the first line defining key by "key = text", or appends it; all
   other lines stay as they are. A missing file is created with that one line.
   0, 2 read error, 3 no memory, 5 cannot be opened or created, 6 write
   failed, 8 cannot be moved into place; on failure the old file is untouched.
   The text should hold no CR or LF (it would make further lines). */
LMINI_API int LmIniPutS(const char* file, const char* key, const char* text);

/* 0 when cFileID (read with a 256-byte buffer) equals "LmParaIndxFile"
   (indexFile != 0) or "LmParaFile" (indexFile == 0); else 1. */
LMINI_API int LmIniFchk(int indexFile, const char* file);

#ifdef __cplusplus
}
#endif

#endif /* LMINI_H */
