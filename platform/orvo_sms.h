/* SPDX-License-Identifier: MIT */
/* liborvo-sms: the platform's SMS service. Each call returns 0 on success, else an error
 * code; every call but orvo_sms_init needs the client opened by orvo_sms_init. */
#ifndef ORVO_PLATFORM_ORVO_SMS_H
#define ORVO_PLATFORM_ORVO_SMS_H

#ifdef __cplusplus
extern "C" {
#endif

/* Text buffers handed to orvo_read_sms (number, text, time stamp) hold this many bytes. */
#define ORVO_SMS_TEXT_SIZE 1024
#define ORVO_SMSC_ADDRESS_SIZE 44

/* Message format codes. */
#define ORVO_SMS_FORMAT_GSM7 0
#define ORVO_SMS_FORMAT_8BIT 1
#define ORVO_SMS_FORMAT_UCS2 2

/* Type-of-number codes of an address. */
#define ORVO_SMS_TON_NATIONAL 129
#define ORVO_SMS_TON_INTERNATIONAL 145

/* The service-centre address. */
struct orvo_smsc_address {
    int type;                             /* type of number: 129 or 145 */
    char address[ORVO_SMSC_ADDRESS_SIZE]; /* NUL-terminated digits, "+" first if 145 */
};

/* The message store's use. */
struct orvo_sms_database_status {
    int total;  /* messages the store can hold */
    int used;   /* messages stored */
    int unread; /* stored messages not read yet */
};

int orvo_sms_init(int pid);
int orvo_sms_deinit(void);

int orvo_send_sms(const char *number, int format, const char *content, int length);
int orvo_delete_sms(int index);

int orvo_set_smsc_address(const struct orvo_smsc_address *address);
int orvo_get_smsc_address(struct orvo_smsc_address *address);

int orvo_get_smsdatabase_status(int client, struct orvo_sms_database_status *status);

/* Blocks until a new message has arrived and stores its index; 0, or an error when no
 * more messages will be announced to this client. */
int orvo_wait_receive_new_sms(int *index);

/* Reads the stored message at index. The three text buffers hold ORVO_SMS_TEXT_SIZE
 * bytes; number and time stamp come NUL-terminated, the text is `length` bytes. */
int orvo_read_sms(int index, int *status, int *format, char *timestamp, int *number_type,
                  int *length, char *text, char *number, int *reference, int *part_index,
                  int *part_total);

#ifdef __cplusplus
}
#endif

#endif
