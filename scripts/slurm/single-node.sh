#!/usr/bin/env bash
# A Slurm cluster of this machine alone, to try the job scripts: installs
# Debian's slurm-wlm and munge if missing, starts munged, slurmctld and slurmd
# with a configuration of their own in STATE (default /tmp/coevolife-slurm),
# and stops them again. Needs root (or sudo for the packages and munged).
# Usage: scripts/slurm/single-node.sh start|stop [STATE]
# After start, point the Slurm commands at it: export SLURM_CONF=STATE/slurm.conf
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/../prepare-build.sh"
action="${1:-}"
state="${2:-/tmp/coevolife-slurm}"
export SLURM_CONF="$state/slurm.conf"

# stop_daemon PIDFILE: ends the daemon whose process id the file holds.
stop_daemon() {
    [ -f "$1" ] || return 0
    local pid
    pid="$(cat "$1")"
    if kill "$pid" 2>/dev/null; then
        for _ in $(seq 1 100); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
    fi
    rm -f "$1"
}

write_configuration() {
    local node cpus memory
    node="$(hostname -s)"
    cpus="$(nproc)"
    memory="$(awk '/^MemTotal:/ { print int($2 / 1024 * 0.9) }' /proc/meminfo)"
    mkdir -p "$state/spool/ctld" "$state/spool/d"
    # No cgroups and no accounting, so that it also runs in a container.
    cat >"$SLURM_CONF" <<CONF
ClusterName=coevolife
SlurmctldHost=$node
SlurmUser=root
AuthType=auth/munge
StateSaveLocation=$state/spool/ctld
SlurmdSpoolDir=$state/spool/d
SlurmctldPidFile=$state/slurmctld.pid
SlurmdPidFile=$state/slurmd.pid
SlurmctldLogFile=$state/slurmctld.log
SlurmdLogFile=$state/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SchedulerType=sched/backfill
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
MpiDefault=none
ReturnToService=2
# A summary whose seeds failed is cancelled rather than left waiting.
DependencyParameters=kill_invalid_depend
NodeName=$node CPUs=$cpus RealMemory=$memory State=UNKNOWN
PartitionName=local Nodes=$node Default=YES MaxTime=INFINITE State=UP
CONF
}

start_munge() {
    if munge -n 2>/dev/null | unmunge >/dev/null 2>&1; then
        return 0
    fi
    mkdir -p /run/munge
    chown munge:munge /run/munge
    runuser -u munge -- /usr/sbin/munged
    touch "$state/munged.ours"
}

case "$action" in
    start)
        install_missing_packages slurm-wlm munge
        mkdir -p "$state"
        write_configuration
        start_munge
        slurmctld -f "$SLURM_CONF"
        slurmd -f "$SLURM_CONF"
        for _ in $(seq 1 60); do
            if sinfo -h -o '%t' 2>/dev/null | grep -qx 'idle'; then
                echo "Slurm is up: export SLURM_CONF=$SLURM_CONF"
                exit 0
            fi
            sleep 0.5
        done
        echo "single-node.sh: the node did not become idle; see $state/*.log" >&2
        sinfo >&2 || true
        exit 1
        ;;
    stop)
        stop_daemon "$state/slurmd.pid"
        stop_daemon "$state/slurmctld.pid"
        if [ -f "$state/munged.ours" ]; then
            stop_daemon /run/munge/munged.pid
            rm -f "$state/munged.ours"
        fi
        ;;
    *)
        echo "usage: single-node.sh start|stop [STATE]" >&2
        exit 2
        ;;
esac
