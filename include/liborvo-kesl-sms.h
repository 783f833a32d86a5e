/* SPDX-License-Identifier: MIT */
/* liborvo-kesl-sms: send and delete short messages, set the service-centre address and
 * receive new messages through a handler called from a thread of the library. */
#ifndef LIBORVO_KESL_SMS_H
#define LIBORVO_KESL_SMS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define KESL_SMS_NUMBER_SIZE 252
#define KESL_SMS_CONTENT_SIZE 1440

/* Results of a refused call ("input error" or "not init"). */
#define KESL_SMS_REFUSED 2

/* A message: filled by the application to send, by the library on receipt. */
typedef struct kesl_sms_msg {
    int32_t reserved1;
    int32_t format; /* 0, 1 or 2 */
    int32_t reserved2;
    char number[KESL_SMS_NUMBER_SIZE]; /* destination, or the sender on receipt */
    int32_t length;                    /* bytes of content */
    char content[KESL_SMS_CONTENT_SIZE];
    char reserved3[21];
    uint8_t multipart;  /* on receipt: 1 if one part of a message in several parts */
    uint8_t part_total; /* on receipt of a part: the number of parts */
    uint8_t part_index; /* on receipt of a part: this part's number */
    char reserved4[8];
    int32_t msg_index; /* on receipt: the index of the stored message */
} kesl_sms_msg;

typedef struct kesl_sms_storage_info {
    int32_t reserved[2];
    int32_t msg_index;
} kesl_sms_storage_info;

/* Called on a receive thread for each new message. The record is reused for the next
 * message once the handler returns: copy what you keep. */
typedef void (*kesl_sms_rx_handler)(kesl_sms_msg *msg, int *handle);

/* Declared by the SMS service's header (orvo_sms.h). */
struct orvo_smsc_address;
struct orvo_sms_database_status;

/* The client handle of the last kesl_sms_client_init: the process id. */
extern int h_sms;

int kesl_sms_client_init(int *handle);
int kesl_sms_client_deinit(int handle);
int kesl_sms_send_sms(int handle, const kesl_sms_msg *msg);
int kesl_sms_send_smspdu(int handle, const char *pdu, int pdu_length);
int kesl_sms_deletefromstorage(int handle, const kesl_sms_storage_info *info);
int kesl_sms_setsmscenteraddress(int handle, const struct orvo_smsc_address *address);
int kesl_sms_getsmscenteraddress(int handle, struct orvo_smsc_address *address);
int kesl_sms_getDatabasestatus(int handle, struct orvo_sms_database_status *status);

/* Makes handler the handler of every receive thread and starts one more receive thread. */
int kesl_sms_addrxmsghandler(kesl_sms_rx_handler handler);

/* The current handler, read by the receive threads before each call. */
extern kesl_sms_rx_handler tmp;

#ifdef __cplusplus
}
#endif

#endif
