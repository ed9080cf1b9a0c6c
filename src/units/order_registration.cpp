#include "units/order_registration.h"

#include "units/activate_order.h"
#include "units/attack_orders.h"
#include "units/close_combat_orders.h"
#include "units/continuous_attack_order.h"
#include "units/deploy_orders.h"
#include "units/follow_orders.h"
#include "units/hold_orders.h"
#include "units/opportunity_attack_order.h"
#include "units/psychic_orders.h"
#include "units/pursue_orders.h"
#include "units/resupply_orders.h"
#include "units/retreat_order.h"
#include "units/rules_orders.h"
#include "units/walk_orders.h"
#include "units/warp_attack_order.h"

void RegisterOrderReaders() {
  RegisterHoldOrderReaders();
  RegisterDeployOrderReaders();
  RegisterRulesOrderReaders();
  RegisterAttackOrderReaders();
  RegisterPsychicOrderReaders();
  RegisterWarpAttackOrderReaders();
  RegisterWalkOrderReaders();
  RegisterActivateOrderReaders();
  RegisterFollowOrderReaders();
  RegisterResupplyOrderReaders();
  RegisterOpportunityAttackOrderReaders();
  RegisterContinuousAttackOrderReaders();
  RegisterCloseCombatOrderReaders();
  RegisterPursueOrderReaders();
  RegisterRetreatOrderReaders();
}
