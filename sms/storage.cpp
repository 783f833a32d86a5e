// SPDX-License-Identifier: MIT
// The message store and the service-centre address: checked, then handed to the service.
#include "common/export.h"
#include "liborvo-kesl-sms.h"
#include "orvo_sms.h"
#include "refusal.h"

using namespace kesl_sms;

extern "C" {

ORVO_EXPORT int kesl_sms_deletefromstorage(int handle, const kesl_sms_storage_info *info) {
    if (int refused = refusal(info, handle))
        return refused;
    return orvo_delete_sms(info->msg_index);
}

ORVO_EXPORT int kesl_sms_setsmscenteraddress(int handle, const struct orvo_smsc_address *address) {
    if (int refused = refusal(address, handle))
        return refused;
    return orvo_set_smsc_address(address);
}

ORVO_EXPORT int kesl_sms_getsmscenteraddress(int handle, struct orvo_smsc_address *address) {
    if (int refused = refusal(address, handle))
        return refused;
    return orvo_get_smsc_address(address);
}

// Checks nothing: the service answers for the store.
ORVO_EXPORT int kesl_sms_getDatabasestatus(int handle, struct orvo_sms_database_status *status) {
    return orvo_get_smsdatabase_status(handle, status);
}

} // extern "C"
