#pragma once

#include <QString>

enum class WaterMark { Unlock = 0, Lock = 1 };

// Locks or unlocks the last section of the document at path, the
// one that holds the signature statement. Locking marks only the last section protected and
// protects the document for form fields when it is not protected yet; unlocking lifts the
// form-field protection and marks every section protected again, so that the file is stored
// and uploaded unprotected. Never fails towards the caller: any failure is logged and the
// caller goes on.
void LockUnLockWaterMark(WaterMark action, const QString& path);
