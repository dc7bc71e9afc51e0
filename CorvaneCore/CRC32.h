// CRC-32 as zip, gzip and PNG use it (reflected polynomial 0xEDB88320). The caller threads the
// running value: FinishCRC32(UpdateCRC32(InitCRC32(), data, n)).
#pragma once

extern const unsigned long crc_32_tab[256];

unsigned long InitCRC32();
unsigned long UpdateCRC32(unsigned long crc, unsigned char* data, unsigned long length);
unsigned long FinishCRC32(unsigned long crc);
