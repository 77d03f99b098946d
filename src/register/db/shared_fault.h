#pragma once
// Why the shared register could not do what was asked, as one Polish message: a password it did
// not take, a server that does not answer, a right the role lacks. The local register is never
// affected by these; a front end shows the message and goes on with it.
#include "register_choice.h"
#include "register_fault.h"

class QSqlError;

namespace SharedFault {

RegisterFault Of(const QSqlError& error, const SharedTarget& target);

}  // namespace SharedFault
