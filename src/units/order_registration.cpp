#include "units/order_registration.h"

#include "units/attack_orders.h"
#include "units/deploy_orders.h"
#include "units/hold_orders.h"
#include "units/psychic_orders.h"
#include "units/rules_orders.h"
#include "units/warp_attack_order.h"

void RegisterOrderReaders() {
  RegisterHoldOrderReaders();
  RegisterDeployOrderReaders();
  RegisterRulesOrderReaders();
  RegisterAttackOrderReaders();
  RegisterPsychicOrderReaders();
  RegisterWarpAttackOrderReaders();
}
