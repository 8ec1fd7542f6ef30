/* hamlib_replay: plays a client program's calls through Debian's libhamlib and
 * its network rig (model 2), so that the server meets hamlib's own client code.
 *
 *   hamlib_replay HOST:PORT CALL...
 *
 * A CALL is NAME[:A[:B]], the names below; a WIDTH is a number, "normal" or
 * "nochange", set_mode_if sets the mode only when it differs (as WSJT-X does)
 * and set_ptt takes hamlib's ptt_t (1 on, 3 on for data). Each call prints
 * "call = value" or "call = ok"; a failed one prints "call: error N", and the
 * program ends with status 1 once every call has been made. */
#include <hamlib/rig.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static int failed;

static void report(const char* call, int ret, const char* value) {
    if (ret != RIG_OK) {
        printf("%s: error %d\n", call, ret);
        failed = 1;
    } else {
        printf("%s = %s\n", call, value ? value : "ok");
    }
}

static pbwidth_t width_of(RIG* rig, rmode_t mode, const char* w) {
    if (strcmp(w, "normal") == 0)
        return rig_passband_normal(rig, mode);
    if (*w == '\0' || strcmp(w, "nochange") == 0)
        return RIG_PASSBAND_NOCHANGE;
    return atol(w);
}

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: hamlib_replay HOST:PORT CALL...\n");
        return 2;
    }
    rig_set_debug(RIG_DEBUG_NONE);
    RIG* rig = rig_init(2); /* NET rigctl */
    if (!rig)
        return 2;
    rig_set_conf(rig, rig_token_lookup(rig, "rig_pathname"), argv[1]);
    int ret = rig_open(rig);
    report("open", ret, NULL);
    if (ret != RIG_OK)
        return 1;

    for (int i = 2; i < argc; ++i) {
        /* NAME[:A[:B]] */
        char call[64] = "", a[32] = "", b[32] = "", text[64] = "";
        sscanf(argv[i], "%63[^:]:%31[^:]:%31s", call, a, b);
        if (strcmp(call, "get_vfo") == 0) {
            vfo_t v;
            ret = rig_get_vfo(rig, &v);
            snprintf(text, sizeof text, "%s", rig_strvfo(v));
        } else if (strcmp(call, "get_freq") == 0) {
            freq_t f;
            ret = rig_get_freq(rig, RIG_VFO_CURR, &f);
            snprintf(text, sizeof text, "%.0f", f);
        } else if (strcmp(call, "set_freq") == 0) {
            ret = rig_set_freq(rig, RIG_VFO_CURR, atof(a));
        } else if (strcmp(call, "get_mode") == 0 || strcmp(call, "set_mode_if") == 0) {
            rmode_t m;
            pbwidth_t w;
            ret = rig_get_mode(rig, RIG_VFO_CURR, &m, &w);
            snprintf(text, sizeof text, "%s %ld", rig_strrmode(m), (long)w);
            if (ret == RIG_OK && *a && m != rig_parse_mode(a)) {
                report("get_mode", ret, text);
                ret = rig_set_mode(rig, RIG_VFO_CURR, rig_parse_mode(a), RIG_PASSBAND_NOCHANGE);
                snprintf(text, sizeof text, "set %s", a);
            }
        } else if (strcmp(call, "set_mode") == 0) {
            rmode_t m = rig_parse_mode(a);
            ret = rig_set_mode(rig, RIG_VFO_CURR, m, width_of(rig, m, b));
        } else if (strcmp(call, "get_split") == 0) {
            split_t s;
            vfo_t tx;
            ret = rig_get_split_vfo(rig, RIG_VFO_CURR, &s, &tx);
            snprintf(text, sizeof text, "%d %s", (int)s, rig_strvfo(tx));
        } else if (strcmp(call, "set_split") == 0) {
            ret = rig_set_split_vfo(rig, RIG_VFO_CURR, atoi(a) ? RIG_SPLIT_ON : RIG_SPLIT_OFF,
                                    rig_parse_vfo(b));
        } else if (strcmp(call, "set_split_mode") == 0) {
            rmode_t m = rig_parse_mode(a);
            ret = rig_set_split_mode(rig, RIG_VFO_CURR, m, width_of(rig, m, b));
        } else if (strcmp(call, "get_ptt") == 0) {
            ptt_t p;
            ret = rig_get_ptt(rig, RIG_VFO_CURR, &p);
            snprintf(text, sizeof text, "%d", (int)p);
        } else if (strcmp(call, "set_ptt") == 0) {
            ret = rig_set_ptt(rig, RIG_VFO_CURR, (ptt_t)atoi(a));
        } else if (strcmp(call, "sleep") == 0) {
            struct timespec t = {atol(a) / 1000, (atol(a) % 1000) * 1000000L};
            nanosleep(&t, NULL);
            ret = RIG_OK;
        } else {
            fprintf(stderr, "unknown call %s\n", call);
            return 2;
        }
        report(argv[i], ret, text[0] ? text : NULL);
    }
    rig_close(rig);
    rig_cleanup(rig);
    return failed;
}
