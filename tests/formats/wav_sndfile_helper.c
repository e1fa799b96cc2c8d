/* Test helper built on libsndfile (an independent WAV implementation):
 *   wav_sndfile_helper write OUT.wav   writes a 16-bit stereo file of 1000
 *       frames (left i*37 % 65536 - 32768, right the negation of left, as
 *       16-bit values) with an instrument (key root 60, detune +30, keys
 *       20..100, two loops) and three cue points, through SFC_SET_INSTRUMENT
 *       and SFC_SET_CUE;
 *   wav_sndfile_helper dump IN.wav     prints what libsndfile reads of the
 *       instrument and cue points of a file, one item a line.
 * Exit 0 on success, 1 on failure. */
#include <sndfile.h>
#include <stdio.h>
#include <string.h>

static int write_file(const char* path) {
    SF_INFO info;
    memset(&info, 0, sizeof info);
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path, SFM_WRITE, &info);
    if (!f) {
        fprintf(stderr, "cannot create %s: %s\n", path, sf_strerror(NULL));
        return 1;
    }

    SF_INSTRUMENT inst;
    memset(&inst, 0, sizeof inst);
    inst.gain = 1;
    inst.basenote = 60;
    inst.detune = 30;
    inst.velocity_lo = 1;
    inst.velocity_hi = 127;
    inst.key_lo = 20;
    inst.key_hi = 100;
    inst.loop_count = 2;
    inst.loops[0].mode = SF_LOOP_FORWARD;
    inst.loops[0].start = 100;
    inst.loops[0].end = 500;
    inst.loops[0].count = 0;
    inst.loops[1].mode = SF_LOOP_ALTERNATING;
    inst.loops[1].start = 200;
    inst.loops[1].end = 300;
    inst.loops[1].count = 3;
    if (sf_command(f, SFC_SET_INSTRUMENT, &inst, sizeof inst) != SF_TRUE) {
        fprintf(stderr, "SFC_SET_INSTRUMENT failed\n");
        return 1;
    }

    static SF_CUES cues;
    memset(&cues, 0, sizeof cues);
    cues.cue_count = 3;
    const int ids[3] = {1, 2, 7};
    const unsigned positions[3] = {10, 500, 999};
    for (int i = 0; i < 3; ++i) {
        SF_CUE_POINT* c = &cues.cue_points[i];
        c->indx = ids[i];
        c->position = positions[i];
        c->fcc_chunk = 0x61746164; /* "data" */
        c->sample_offset = positions[i];
        snprintf(c->name, sizeof c->name, "cue %d", ids[i]);
    }
    if (sf_command(f, SFC_SET_CUE, &cues, sizeof cues) != SF_TRUE) {
        fprintf(stderr, "SFC_SET_CUE failed\n");
        return 1;
    }

    short frames[2000];
    for (int i = 0; i < 1000; ++i) {
        frames[2 * i] = (short)((i * 37) % 65536 - 32768);
        frames[2 * i + 1] = (short)(-(frames[2 * i] + 1));
    }
    if (sf_writef_short(f, frames, 1000) != 1000) {
        fprintf(stderr, "write failed\n");
        return 1;
    }
    return sf_close(f) == 0 ? 0 : 1;
}

static int dump_file(const char* path) {
    SF_INFO info;
    memset(&info, 0, sizeof info);
    SNDFILE* f = sf_open(path, SFM_READ, &info);
    if (!f) {
        fprintf(stderr, "cannot open %s: %s\n", path, sf_strerror(NULL));
        return 1;
    }
    printf("frames %lld\nchannels %d\nrate %d\n", (long long)info.frames, info.channels,
           info.samplerate);
    SF_INSTRUMENT inst;
    memset(&inst, 0, sizeof inst);
    if (sf_command(f, SFC_GET_INSTRUMENT, &inst, sizeof inst) == SF_TRUE) {
        printf("basenote %d\ndetune %d\nkey_lo %d\nkey_hi %d\nloop_count %d\n", inst.basenote,
               inst.detune, inst.key_lo, inst.key_hi, inst.loop_count);
        for (int i = 0; i < inst.loop_count && i < 16; ++i)
            printf("loop %d mode %d start %u end %u count %u\n", i, inst.loops[i].mode,
                   inst.loops[i].start, inst.loops[i].end, inst.loops[i].count);
    }
    uint32_t count = 0;
    if (sf_command(f, SFC_GET_CUE_COUNT, &count, sizeof count) && count > 0) {
        static SF_CUES cues;
        memset(&cues, 0, sizeof cues);
        if (sf_command(f, SFC_GET_CUE, &cues, sizeof cues) == SF_TRUE) {
            printf("cue_count %u\n", cues.cue_count);
            for (uint32_t i = 0; i < cues.cue_count && i < 100; ++i)
                printf("cue %d position %u offset %u\n", cues.cue_points[i].indx,
                       cues.cue_points[i].position, cues.cue_points[i].sample_offset);
        }
    }
    sf_close(f);
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 3 && strcmp(argv[1], "write") == 0) return write_file(argv[2]);
    if (argc == 3 && strcmp(argv[1], "dump") == 0) return dump_file(argv[2]);
    fprintf(stderr, "usage: wav_sndfile_helper write OUT.wav | dump IN.wav\n");
    return 1;
}
