/* SPDX-License-Identifier: MIT */
/* libqxtel: the platform's Wi-Fi client calls and the records they exchange.
 *
 * Every call returns 0 on success, else an error code. The first argument of every call
 * is the client number; the system always passes 0. The records have a fixed byte layout
 * (little-endian, no pointers or longs), the same on the module and on a 64-bit host. */
#ifndef ORVO_PLATFORM_QX_WIFI_H
#define ORVO_PLATFORM_QX_WIFI_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Wi-Fi enable state, as written by qx_wifi_get_enable_status_ext. */
#define QX_WIFI_DISABLED 0
#define QX_WIFI_ENABLED 1
#define QX_WIFI_CHANGING 2
#define QX_WIFI_ENABLE_FAILED 3
#define QX_WIFI_DISABLE_FAILED 4

/* Access-point state in wifi_ap_status. */
#define QX_WIFI_AP_DOWN 0
#define QX_WIFI_AP_STARTING 2
#define QX_WIFI_AP_UP 3
#define QX_WIFI_AP_FAILED 5

/* Station state in wifi_sta_status; a failure carries its reason in sta_code. */
#define QX_WIFI_STA_DOWN 0
#define QX_WIFI_STA_UP 1
#define QX_WIFI_STA_CONNECTING 2
#define QX_WIFI_STA_FAILED 6

/* Station parameters handed to qx_wifi_sta_param_set_ext (112 bytes). */
typedef struct wifi_sta_param {
    char ssid[32]; /* a 32-byte name has no terminator here */
    int32_t reserved1;
    int32_t auth;     /* 0 open, 1 WPA-PSK, 2 WPA2-PSK, 3 WEP, 4 WPA/WPA2-PSK */
    int32_t auth_aux; /* cipher: 0 none, 2 AES */
    char pw[64];
    int32_t reserved2;
} wifi_sta_param;

/* Access-point status (56 bytes). */
typedef struct wifi_ap_status {
    int32_t state;
    char ssid[32];
    char mac[20];
} wifi_ap_status;

/* IPv4 block of the station status (81 bytes, unaligned fields). */
typedef struct wifi_sta_addr {
    char ip[16];
    char netmask[16];
    uint8_t subnet_bits;
    char gateway[16];
    char dnsp[16];
    char dnss[16];
} wifi_sta_addr;

/* IPv6 block of the station status (241 bytes). */
typedef struct wifi_sta_addr6 {
    char ip[48];
    char prefix[48];
    uint8_t prefix_bits;
    char gateway[48];
    char dnsp[48];
    char dnss[48];
} wifi_sta_addr6;

/* Station status (392 bytes). */
typedef struct wifi_sta_status {
    int32_t state;
    char ssid[32];
    char bssid[20];
    int32_t rssi;
    uint8_t reserved;
    uint8_t has_addr; /* 1: addr holds an address */
    wifi_sta_addr addr;
    uint8_t has_addr6; /* 1: addr6 holds an address */
    wifi_sta_addr6 addr6;
    int32_t sta_code; /* reason of a failure, 0 when none is known */
} wifi_sta_status;

/* A station joining (state 1) or leaving (state 0) an access point. */
typedef struct wifi_sta_conn {
    int32_t state;
    char mac[20];
} wifi_sta_conn;

/* One network found by a scan (76 bytes). */
typedef struct wifi_scan_entry {
    char bssid[18];
    char ssid[34];
    int32_t bandwidth;
    uint8_t cipher;
    int32_t frequency;
    uint8_t auth;
    int32_t channel;
    int32_t rssi;
} wifi_scan_entry;

/* Most entries the library hands over in one scan result. */
#define QX_WIFI_SCAN_MAX 32

/* A scan result: count entries follow the count. */
typedef struct wifi_scan_result {
    int32_t count;
    wifi_scan_entry entry[QX_WIFI_SCAN_MAX];
} wifi_scan_result;

#ifdef __cplusplus
#define QX_WIFI_ASSERT(cond) static_assert(cond, #cond)
#else
#define QX_WIFI_ASSERT(cond) _Static_assert(cond, #cond)
#endif
QX_WIFI_ASSERT(sizeof(wifi_sta_param) == 112);
QX_WIFI_ASSERT(offsetof(wifi_sta_param, auth) == 36);
QX_WIFI_ASSERT(offsetof(wifi_sta_param, auth_aux) == 40);
QX_WIFI_ASSERT(offsetof(wifi_sta_param, pw) == 44);
QX_WIFI_ASSERT(sizeof(wifi_ap_status) == 56);
QX_WIFI_ASSERT(offsetof(wifi_ap_status, mac) == 36);
QX_WIFI_ASSERT(sizeof(wifi_sta_status) == 392);
QX_WIFI_ASSERT(offsetof(wifi_sta_status, bssid) == 36);
QX_WIFI_ASSERT(offsetof(wifi_sta_status, rssi) == 56);
QX_WIFI_ASSERT(offsetof(wifi_sta_status, has_addr) == 61);
QX_WIFI_ASSERT(offsetof(wifi_sta_status, addr) == 62);
QX_WIFI_ASSERT(offsetof(wifi_sta_status, addr.netmask) == 78);
QX_WIFI_ASSERT(offsetof(wifi_sta_status, addr.subnet_bits) == 94);
QX_WIFI_ASSERT(offsetof(wifi_sta_status, addr.gateway) == 95);
QX_WIFI_ASSERT(offsetof(wifi_sta_status, addr.dnsp) == 111);
QX_WIFI_ASSERT(offsetof(wifi_sta_status, addr.dnss) == 127);
QX_WIFI_ASSERT(offsetof(wifi_sta_status, has_addr6) == 143);
QX_WIFI_ASSERT(offsetof(wifi_sta_status, addr6) == 144);
QX_WIFI_ASSERT(offsetof(wifi_sta_status, addr6.prefix) == 192);
QX_WIFI_ASSERT(offsetof(wifi_sta_status, addr6.prefix_bits) == 240);
QX_WIFI_ASSERT(offsetof(wifi_sta_status, addr6.gateway) == 241);
QX_WIFI_ASSERT(offsetof(wifi_sta_status, addr6.dnsp) == 289);
QX_WIFI_ASSERT(offsetof(wifi_sta_status, addr6.dnss) == 337);
QX_WIFI_ASSERT(offsetof(wifi_sta_status, sta_code) == 388);
QX_WIFI_ASSERT(offsetof(wifi_sta_conn, mac) == 4);
QX_WIFI_ASSERT(sizeof(wifi_scan_entry) == 76);
QX_WIFI_ASSERT(offsetof(wifi_scan_entry, ssid) == 18);
QX_WIFI_ASSERT(offsetof(wifi_scan_entry, bandwidth) == 52);
QX_WIFI_ASSERT(offsetof(wifi_scan_entry, cipher) == 56);
QX_WIFI_ASSERT(offsetof(wifi_scan_entry, frequency) == 60);
QX_WIFI_ASSERT(offsetof(wifi_scan_entry, auth) == 64);
QX_WIFI_ASSERT(offsetof(wifi_scan_entry, channel) == 68);
QX_WIFI_ASSERT(offsetof(wifi_scan_entry, rssi) == 72);
QX_WIFI_ASSERT(offsetof(wifi_scan_result, entry) == 4);
#undef QX_WIFI_ASSERT

/* Callbacks, called on a thread of the library between registration and uninit. */
typedef void (*qx_wifi_enable_status_cb)(int32_t pre_state, int32_t state);
typedef void (*qx_wifi_ap_status_cb)(int32_t ap_index, int32_t pre_state,
                                     const wifi_ap_status *status);
typedef void (*qx_wifi_ap_sta_connect_cb)(int32_t ap_index, const wifi_sta_conn *conn);
typedef void (*qx_wifi_sta_status_cb)(int32_t pre_state, const wifi_sta_status *status);
typedef void (*qx_wifi_scan_result_cb)(const wifi_scan_result *list);
typedef void (*qx_wifi_service_error_cb)(int32_t error);

/* Connects to the Wi-Fi service; callbacks can be registered only after it succeeded. */
int qx_wifi_init_ext(int client);
int qx_wifi_uninit_ext(int client);

int qx_wifi_set_enable_status_ind_cb_ext(int client, qx_wifi_enable_status_cb cb);
int qx_wifi_ap_set_status_ind_cb_ext(int client, qx_wifi_ap_status_cb cb);
int qx_wifi_set_ap_sta_connect_ind_cb_ext(int client, qx_wifi_ap_sta_connect_cb cb);
int qx_wifi_sta_set_status_ind_cb_ext(int client, qx_wifi_sta_status_cb cb);
int qx_wifi_sta_set_scan_result_ind_cb_ext(int client, qx_wifi_scan_result_cb cb);
int qx_wifi_set_service_error_cb_ext(int client, qx_wifi_service_error_cb cb);

/* Enable and disable are requests; the change shows in the enable state. */
int qx_wifi_enable_ext(int client);
int qx_wifi_disable_ext(int client);
int qx_wifi_get_enable_status_ext(int client, int32_t *state);
int qx_wifi_work_mode_set_ext(int client, int mode);

int qx_wifi_ap_start_ext(int client, int ap_index);
int qx_wifi_ap_stop_ext(int client, int ap_index);
int qx_wifi_ap_get_status_ext(int client, int ap_index, wifi_ap_status *status);

int qx_wifi_sta_param_set_ext(int client, const wifi_sta_param *param);
int qx_wifi_sta_start_ext(int client);
int qx_wifi_sta_stop_ext(int client);
int qx_wifi_sta_get_status_ext(int client, wifi_sta_status *status);

/* Writes the host name of a station joined to an access point, at most len bytes with
 * the terminator; writes nothing when the station is unknown. */
int qx_wifi_get_hostname_by_mac_ext(int client, const char *mac, char *hostname, int len);

/* Switches the driver's test mode on (1) or off (0). */
int qx_wifi_drv_test_mode_ext(int client, int on);

#ifdef __cplusplus
}
#endif

#endif
