#pragma once

#include <QString>

// Locks (lock == 1) or unlocks (any other value) the last section of the document at path, the
// one that holds the signature statement. Locking marks only the last section protected and
// protects the document for form fields when it is not protected yet; unlocking lifts the
// form-field protection and marks every section protected again, so that the file is stored
// and uploaded unprotected. Never fails towards the caller: any failure is logged and the
// caller goes on.
void LockUnLockWaterMark(int lock, const QString& path);
