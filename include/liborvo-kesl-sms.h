/* SPDX-License-Identifier: MIT */
/**
 * @file liborvo-kesl-sms.h
 * @brief liborvo-kesl-sms: send and delete short messages, set the service-centre address
 * and receive new messages through a handler, over the platform's SMS service
 * (liborvo-sms).
 *
 * @par Errors
 * A call that the library refuses returns ::KESL_SMS_REFUSED (2) and logs "input error"
 * (a null or bad argument) or "not init" (a handle of 0); every other result is the SMS
 * service's, passed on: 0 for success. Log lines go through the platform's logger (tag
 * "ORVO_KESL_SMS").
 *
 * @par Threads
 * The calls may be made from any thread; each blocks until the SMS service answers.
 * kesl_sms_addrxmsghandler() starts a detached receive thread each time it is called; each
 * receive thread waits for the service's announcements, copies each new message into its
 * record, calls the current handler and releases the kernel wake lock "sms_read". The
 * handler runs on a receive thread of the library. No call is safe in a signal handler.
 */
#ifndef LIBORVO_KESL_SMS_H
#define LIBORVO_KESL_SMS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/** Bytes of a message's number field. */
#define KESL_SMS_NUMBER_SIZE 252
/** Bytes of a message's content field. */
#define KESL_SMS_CONTENT_SIZE 1440

/** The result of a refused call ("input error" or "not init" in the log). */
#define KESL_SMS_REFUSED 2

/** A message: filled by the application to send, by the library on receipt. */
typedef struct kesl_sms_msg {
    int32_t reserved1;                   /**< not used */
    int32_t format;                      /**< to send: 0, 1 or 2; on receipt: the service's */
    int32_t reserved2;                   /**< not used */
    char number[KESL_SMS_NUMBER_SIZE];   /**< the destination, or on receipt the sender */
    int32_t length;                      /**< bytes of content */
    char content[KESL_SMS_CONTENT_SIZE]; /**< the text, not necessarily terminated */
    char reserved3[21];                  /**< not used */
    uint8_t multipart;  /**< on receipt: 1 if one part of a message in several parts */
    uint8_t part_total; /**< on receipt of a part: the number of parts */
    uint8_t part_index; /**< on receipt of a part: this part's number */
    char reserved4[8];  /**< not used */
    int32_t msg_index;  /**< on receipt: the index of the stored message */
} kesl_sms_msg;

/** Which stored message to delete. */
typedef struct kesl_sms_storage_info {
    int32_t reserved[2]; /**< not used */
    int32_t msg_index;   /**< the stored message's index, as received */
} kesl_sms_storage_info;

/** The receive handler: called on a receive thread with each new message and the address
 *  of ::h_sms. The record is reused for the next message once the handler returns: copy
 *  what you keep. */
typedef void (*kesl_sms_rx_handler)(kesl_sms_msg *msg, int *handle);

/** The service-centre address, declared by the SMS service's header (orvo_sms.h). */
struct orvo_smsc_address;
/** The message store's state, declared by the SMS service's header (orvo_sms.h). */
struct orvo_sms_database_status;

/**
 * @brief Opens the client: the handle is the process id.
 * @param[out] handle the caller's handle variable (also stored in ::h_sms)
 * @return the service's result, 0 when open; ::KESL_SMS_REFUSED for a null pointer.
 */
int kesl_sms_client_init(int *handle);

/**
 * @brief Closes the client on the service's side; the handler and receive threads stay.
 * @param handle the handle from kesl_sms_client_init()
 * @return the service's result; ::KESL_SMS_REFUSED for a handle of 0.
 */
int kesl_sms_client_deinit(int handle);

/**
 * @brief Sends a text message: number, format, content and length of the record.
 * @param handle the handle from kesl_sms_client_init()
 * @param msg the message; the caller keeps it
 * @return the service's result, 0 when sent; ::KESL_SMS_REFUSED for a null record, a
 *         handle of 0, a format other than 0 to 2 or a length beyond the content.
 */
int kesl_sms_send_sms(int handle, const kesl_sms_msg *msg);

/**
 * @brief PDU mode, which the service does not offer: checks the arguments, sends nothing
 * and logs "not support".
 * @param handle the handle from kesl_sms_client_init()
 * @param pdu the PDU
 * @param pdu_length its length
 * @return 0; ::KESL_SMS_REFUSED for a null PDU, a length of 0 or a handle of 0.
 */
int kesl_sms_send_smspdu(int handle, const char *pdu, int pdu_length);

/**
 * @brief Deletes a stored message.
 * @param handle the handle from kesl_sms_client_init()
 * @param info which message
 * @return the service's result; ::KESL_SMS_REFUSED for a null record or a handle of 0.
 */
int kesl_sms_deletefromstorage(int handle, const kesl_sms_storage_info *info);

/**
 * @brief Sets the service-centre address.
 * @param handle the handle from kesl_sms_client_init()
 * @param address the address (orvo_sms.h)
 * @return the service's result; ::KESL_SMS_REFUSED for a null address or a handle of 0.
 */
int kesl_sms_setsmscenteraddress(int handle, const struct orvo_smsc_address *address);

/**
 * @brief Reads the service-centre address.
 * @param handle the handle from kesl_sms_client_init()
 * @param[out] address filled by the service
 * @return the service's result; ::KESL_SMS_REFUSED for a null address or a handle of 0.
 */
int kesl_sms_getsmscenteraddress(int handle, struct orvo_smsc_address *address);

/**
 * @brief Reads the message store's state; both arguments go to the service unchecked.
 * @param handle passed to the service
 * @param[out] status filled by the service
 * @return the service's result.
 */
int kesl_sms_getDatabasestatus(int handle, struct orvo_sms_database_status *status);

/**
 * @brief Makes the handler the handler of every receive thread and starts one more
 * receive thread. Call it once.
 * @param handler called for each new message
 * @return 0; ::KESL_SMS_REFUSED for a null handler; -1 when the thread cannot be started.
 */
int kesl_sms_addrxmsghandler(kesl_sms_rx_handler handler);

/**
 * @name Kept for other deliverables and old callers
 * Read them, do not write them.
 * @{
 */
/** The client handle of the last kesl_sms_client_init(): the process id. */
extern int h_sms;
/** The current receive handler, read by the receive threads before each call. */
extern kesl_sms_rx_handler tmp;
/** @} */

#ifdef __cplusplus
}
#endif

#endif
