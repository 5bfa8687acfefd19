/* The reference for the whole-process extraction benchmark: extracts one
 * deflated entry of a ZIP archive to standard output with zlib, the
 * shortest way a program can. It reads the whole archive into memory with
 * one read, finds the entry through the central directory, inflates it in
 * one call into a buffer of the entry's size, checks zlib's CRC-32 and
 * writes the bytes with one fwrite.
 *
 * Usage: zlib_unzip ARCHIVE ENTRY   (exit status 0 when the entry came out
 * whole with the right CRC, 1 otherwise). Entry names are compared as
 * stored; archives without a comment only. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <zlib.h>

static unsigned le16(const unsigned char* p) { return p[0] | (unsigned)p[1] << 8; }
static unsigned long le32(const unsigned char* p) { return le16(p) | (unsigned long)le16(p + 2) << 16; }

static int fail(const char* what)
{
    fprintf(stderr, "zlib_unzip: %s\n", what);
    return 1;
}

int main(int argc, char** argv)
{
    if (argc != 3)
        return fail("usage: zlib_unzip ARCHIVE ENTRY");
    FILE* f = fopen(argv[1], "rb");
    if (f == NULL)
        return fail("cannot open the archive");
    fseek(f, 0, SEEK_END);
    const long size = ftell(f);
    fseek(f, 0, SEEK_SET);
    unsigned char* zip = malloc(size > 0 ? (size_t)size : 1);
    if (size < 22 || zip == NULL || fread(zip, 1, (size_t)size, f) != (size_t)size)
        return fail("cannot read the archive");
    fclose(f);

    /* End record (no comment): entry count at 10, directory offset at 16. */
    const unsigned char* end = zip + size - 22;
    if (le32(end) != 0x06054B50)
        return fail("no end record at the end");
    const unsigned count = le16(end + 10);
    unsigned long at = le32(end + 16);
    const size_t nameLength = strlen(argv[2]);
    for (unsigned i = 0; i < count; ++i) {
        if (at + 46 > (unsigned long)size || le32(zip + at) != 0x02014B50)
            return fail("bad central directory");
        const unsigned char* d = zip + at;
        const unsigned n = le16(d + 28);
        if (n == nameLength && at + 46 + n <= (unsigned long)size && memcmp(d + 46, argv[2], n) == 0) {
            const unsigned long crc = le32(d + 16), packed = le32(d + 20), unpacked = le32(d + 24);
            const unsigned long local = le32(d + 42);
            if (le16(d + 10) != 8 || local + 30 > (unsigned long)size)
                return fail("not a deflated entry");
            const unsigned long data = local + 30 + le16(zip + local + 26) + le16(zip + local + 28);
            if (data + packed > (unsigned long)size)
                return fail("entry data past the end");
            unsigned char* out = malloc(unpacked > 0 ? unpacked : 1);
            z_stream z;
            memset(&z, 0, sizeof z);
            if (out == NULL || inflateInit2(&z, -15) != Z_OK)
                return fail("out of memory");
            z.next_in = zip + data;
            z.avail_in = (uInt)packed;
            z.next_out = out;
            z.avail_out = (uInt)unpacked;
            if (inflate(&z, Z_FINISH) != Z_STREAM_END || z.total_out != unpacked)
                return fail("inflate failed");
            inflateEnd(&z);
            if (crc32(0, out, (uInt)unpacked) != crc)
                return fail("CRC mismatch");
            fwrite(out, 1, unpacked, stdout);
            return fflush(stdout) == 0 ? 0 : 1;
        }
        at += 46 + n + le16(d + 30) + le16(d + 32);
    }
    return fail("entry not found");
}
