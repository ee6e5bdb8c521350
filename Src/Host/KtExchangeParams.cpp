#include "KtExchangeParams.h"

namespace KTX {

KtExchangeParams::~KtExchangeParams() = default;

}  // namespace KTX
