#include "settings/profile_api.h"

namespace rubo {

ProfileApi& systemProfileApi() {
    static LineProfileApi api;
    return api;
}

} // namespace rubo
