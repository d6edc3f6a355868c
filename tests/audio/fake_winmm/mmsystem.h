#pragma once
// Native stand-in for the WinMM wave output calls; see windows.h beside it.
#include "windows.h"

typedef void* HWAVEOUT;
typedef UINT MMRESULT;

struct WAVEHDR {
  LPSTR lpData;
  DWORD dwBufferLength;
  DWORD dwBytesRecorded;
  DWORD_PTR dwUser;
  DWORD dwFlags;
  DWORD dwLoops;
  WAVEHDR* lpNext;
  DWORD_PTR reserved;
};

struct WAVEFORMATEX {
  WORD wFormatTag;
  WORD nChannels;
  DWORD nSamplesPerSec;
  DWORD nAvgBytesPerSec;
  WORD nBlockAlign;
  WORD wBitsPerSample;
  WORD cbSize;
};

#define WHDR_DONE 0x1u
#define WHDR_PREPARED 0x2u
#define WHDR_INQUEUE 0x10u
#define MMSYSERR_NOERROR 0u
#define MMSYSERR_NODRIVER 6u
#define MMSYSERR_NOMEM 7u
#define WAVERR_STILLPLAYING 33u
#define WAVERR_UNPREPARED 34u
#define WAVE_MAPPER 0xFFFFFFFFu
#define WAVE_FORMAT_PCM 1
#define CALLBACK_EVENT 0x50000u

MMRESULT waveOutOpen(HWAVEOUT* device, UINT id, const WAVEFORMATEX* format, DWORD_PTR callback,
                     DWORD_PTR instance, DWORD flags);
MMRESULT waveOutPrepareHeader(HWAVEOUT device, WAVEHDR* header, UINT size);
MMRESULT waveOutUnprepareHeader(HWAVEOUT device, WAVEHDR* header, UINT size);
MMRESULT waveOutWrite(HWAVEOUT device, WAVEHDR* header, UINT size);
MMRESULT waveOutReset(HWAVEOUT device);
MMRESULT waveOutClose(HWAVEOUT device);
