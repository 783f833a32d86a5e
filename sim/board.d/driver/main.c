// SPDX-License-Identifier: MIT OR GPL-2.0
/*
 * orvo_board: the module's kernel files on the emulated board, served by a driver so that
 * readers blocked in them freeze and thaw like any task in a driver's wait.
 */
#include <linux/debugfs.h>
#include <linux/module.h>

#include "orvo_board.h"

static struct dentry *orvo_debugfs;

static int __init orvo_board_init(void)
{
	int ret;

	ret = orvo_xp2xp_init();
	if (ret)
		return ret;
	ret = orvo_registers_init();
	if (ret)
		goto fail_registers;
	ret = orvo_rpmsg_init();
	if (ret)
		goto fail_rpmsg;
	orvo_debugfs = debugfs_create_dir("orvo_board", NULL);
	ret = orvo_control_init(orvo_debugfs);
	if (!ret)
		ret = orvo_wakelocks_init(orvo_debugfs);
	if (ret)
		goto fail_control;
	return 0;

fail_control:
	debugfs_remove_recursive(orvo_debugfs);
	orvo_wakelocks_exit();
	orvo_rpmsg_exit();
fail_rpmsg:
	orvo_registers_exit();
fail_registers:
	orvo_xp2xp_exit();
	return ret;
}

static void __exit orvo_board_exit(void)
{
	debugfs_remove_recursive(orvo_debugfs);
	orvo_wakelocks_exit();
	orvo_rpmsg_exit();
	orvo_registers_exit();
	orvo_xp2xp_exit();
	orvo_record_exit();
}

module_init(orvo_board_init);
module_exit(orvo_board_exit);
MODULE_DESCRIPTION("The module's kernel files on the emulated board");
MODULE_LICENSE("Dual MIT/GPL");
